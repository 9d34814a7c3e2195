// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/SlidewellForm.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Slidewell"));
    SlidewellForm form(QApplication::arguments());
    form.CenterOnScreen();
    form.show();
    return QApplication::exec();
}
