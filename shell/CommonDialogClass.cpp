// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/CommonDialogClass.h"

#include "platform/VbColor.h"

#include <QColorDialog>

bool CommonDialogClass::VBChooseColor(
    qint32& color, bool anyColor, bool fullOpen, bool disableFullOpen, QWidget* owner)
{
    // Qt's dialog always offers any colour and its full custom-colour part.
    Q_UNUSED(anyColor);
    Q_UNUSED(fullOpen);
    Q_UNUSED(disableFullOpen);
    if (!mCustomColorsReady)
        InitCustomColors();
    // Qt keeps one custom-colour row for the whole process: hand it this instance's row and take
    // back what the user stored in it.
    for (int i = 0; i < int(mCustomColors.size()); ++i)
        QColorDialog::setCustomColor(i, VbColor::toQColor(mCustomColors[i]));

    QColorDialog dialog(VbColor::toQColor(color), owner);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    for (int i = 0; i < int(mCustomColors.size()); ++i)
        mCustomColors[i] = VbColor::fromQColor(QColorDialog::customColor(i));
    color = accepted ? VbColor::fromQColor(dialog.selectedColor()) : VbColor::none;
    return accepted;
}

void CommonDialogClass::InitCustomColors()
{
    for (int i = 0; i < int(mCustomColors.size()); ++i)
        mCustomColors[i] = VbColor::fromQColor(VbColor::systemQColor(i));
    mCustomColorsReady = true;
}
