// SPDX-License-Identifier: GPL-2.0-or-later
// PLACEHOLDER: the settings store is being built; these keep the window linking meanwhile.
#include "app/SlidewellForm.h"

void SlidewellForm::LoadSettings() { }
void SlidewellForm::SaveSettings() { }
void SlidewellForm::SaveWindowSize() { }
QString SlidewellForm::GetScreenSizeSetting() const { return QString(); }
qint32 SlidewellForm::GetSavedWidth() const { return Width(); }
qint32 SlidewellForm::GetSavedHeight() const { return Height(); }
