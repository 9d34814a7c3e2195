// SPDX-License-Identifier: GPL-2.0-or-later
// A plain window driven through stdin ("off", "on", "read", "quit") so a real-window test can
// watch the title-bar helper under a real window manager. Answers one line per command.
#include "controls/clsStyle.h"

#include <QApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <QTextStream>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Titlebar Probe"));
    const QRect screen = window.screen()->geometry();
    window.setGeometry(screen.center().x() - 155, screen.center().y() - 123, 311, 246);
    window.show();
    clsStyle style;
    style.setClient(&window);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char line[64] = {};
        if (!std::fgets(line, sizeof line, stdin)) {
            app.quit();
            return;
        }
        const QByteArray command = QByteArray(line).trimmed();
        if (command == "off" || command == "on")
            style.setTitlebar(command == "on");
        else if (command == "quit")
            app.quit();
        std::printf("%s\n", style.Titlebar() ? "true" : "false");
        std::fflush(stdout);
    });
    return QApplication::exec();
}
