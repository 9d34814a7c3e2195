// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class QWidget;

// Centres a top-level window, frame included, on its screen, its top never above the screen's
// usable area. The frame is known only once the window manager has decorated the window, so a
// window that has not appeared yet is centred again, by its real frame, when it first appears:
// every window of the program then ends up in the same place for the same size.
void centerWindowOnScreen(QWidget* window);
