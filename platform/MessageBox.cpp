// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/MessageBox.h"

#include <QMessageBox>

void showMessageBox(QWidget* owner, const QString& text, const QString& title, int style)
{
    const auto icon =
        style == MessageStyle::Critical ? QMessageBox::Critical : QMessageBox::Information;
    QMessageBox box(icon, title, text, QMessageBox::Ok, owner);
    box.exec();
}
