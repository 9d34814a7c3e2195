// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

// The lengths the Duration menu offers, in milliseconds, and the one a show starts with.
inline constexpr std::array<int, 5> transitionDurations { 250, 500, 1000, 2000, 3000 };
inline constexpr int defaultTransitionDuration = 500;

// A stored length the menu does not offer reads as the default.
int storedTransitionDuration(const QString& text);
// At most half the delay, so each picture is seen still for at least as long as it moves.
int transitionMilliseconds(int chosen, qint32 delay);
