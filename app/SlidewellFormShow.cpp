// SPDX-License-Identifier: GPL-2.0-or-later
// PLACEHOLDER: the show is being built; these keep the window linking meanwhile.
#include "app/SlidewellForm.h"

void SlidewellForm::playButton_Click() { }
bool SlidewellForm::ValidateImageDelay() { return false; }
QString SlidewellForm::GetFilePattern() const { return QString(); }
QString SlidewellForm::AddTrailingBackslash(const QString& path) { return path; }
void SlidewellForm::StartShow(qint32) { }
void SlidewellForm::Timer_Timer() { }
void SlidewellForm::ShowNextImage() { }
void SlidewellForm::ResetPictureImage() { }
void SlidewellForm::Form_MouseDown(int) { }
void SlidewellForm::pictureImage_MouseDown(int) { }
void SlidewellForm::ShowPopupMenu() { }
void SlidewellForm::BuildPopupMenu(bool, bool, bool) { }
void SlidewellForm::DestroyPopupMenu() { }
void SlidewellForm::RestoreWindowSize() { }
