// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/SharedFunctions.h"

#include <QDesktopServices>
#include <QUrl>

void OpenWebPage(const QString& address)
{
    QDesktopServices::openUrl(QUrl::fromUserInput(address));
}
