// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>

class QWidget;

// Windows keep their designed control sizes whichever font the desktop offers: the widget's font
// shrinks from 8 points in half-point steps, down to 6, until fits() holds.
void shrinkFontToFit(QWidget* widget, const std::function<bool()>& fits);
