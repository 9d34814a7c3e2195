// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QtGlobal>

#include <array>

class QWidget;

// The colour chooser: a modal colour dialog with a row of sixteen custom colours that starts
// from the system colours 0 to 15 and is kept for the life of the instance.
class CommonDialogClass
{
public:
    // color: the start colour in; the chosen 0x00BBGGRR out on OK, -1 on cancel. Returns
    // whether the user confirmed a colour. owner nullptr opens the dialog without an owner.
    bool VBChooseColor(
        qint32& color, bool anyColor, bool fullOpen, bool disableFullOpen, QWidget* owner);

    const std::array<qint32, 16>& customColors() const { return mCustomColors; }

private:
    void InitCustomColors();

    std::array<qint32, 16> mCustomColors {};
    bool mCustomColorsReady = false;
};
