// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/UsersGuide.h"

#include "platform/AppLinks.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>

QString usersGuideAddress()
{
    const QString programFolder = QCoreApplication::applicationDirPath() + u'/';
    const QString installed = QString::fromUtf8(AppLinks::guideInstalled);
    for (const QString& candidate : { programFolder + QString::fromUtf8(AppLinks::guideInBuildTree),
             programFolder + QString::fromUtf8(AppLinks::guideFromProgram), installed }) {
        const QFileInfo page(candidate);
        if (page.isFile())
            return QUrl::fromLocalFile(page.canonicalFilePath()).toString();
    }
    // Nothing to open: the browser says so, as it would for a missing web page.
    return QUrl::fromLocalFile(installed).toString();
}
