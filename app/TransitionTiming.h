// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QtGlobal>

// The length of a transition until the user picks one, in milliseconds.
inline constexpr int defaultTransitionDuration = 500;

// At most half the delay, so each picture is seen still for at least as long as it moves.
int transitionMilliseconds(int chosen, qint32 delay);
