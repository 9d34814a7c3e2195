// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/SlidewellForm.h"
#include "platform/CommandLine.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    // --help and --version answer before any window or display is needed.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const QString output = parseCommandLine(arguments).output;
    if (!output.isEmpty()) {
        std::fputs(output.toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Slidewell"));
    // Docks and task bars match the window to its launcher by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.slidewell"));
    SlidewellForm form(QApplication::arguments());
    form.CenterOnScreen();
    form.show();
    return QApplication::exec();
}
