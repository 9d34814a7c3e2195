// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

class QWidget;

// Style numbers of the program's message boxes.
namespace MessageStyle {
constexpr int Critical = 16;
constexpr int Information = 64;
} // namespace MessageStyle

// Modal message box with one OK button; returns when the user has closed it.
void showMessageBox(QWidget* owner, const QString& text, const QString& title, int style);
