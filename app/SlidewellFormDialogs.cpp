// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/SlidewellForm.h"
#include "platform/UsersGuide.h"
#include "ui_SlidewellForm.h"

void SlidewellForm::browseForFolderButton_Click()
{
    const QString folder = m_services.browseForFolder(
        this, ui->folderTextBox->text(), QStringLiteral("Please select a folder:"));
    if (!folder.isEmpty())
        ui->folderTextBox->setText(folder);
}

void SlidewellForm::changeBackgroundColorButton_Click()
{
    const qint32 color = m_services.chooseColor(this, swatchColor());
    if (color != -1)
        setSwatchColor(color);
}

void SlidewellForm::aboutSlidewellMenu_Click() { m_services.showAbout(); }

void SlidewellForm::onlineUsersGuideMenu_Click() { m_services.openWebPage(usersGuideAddress()); }
