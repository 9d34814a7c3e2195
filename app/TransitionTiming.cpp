// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TransitionTiming.h"

#include <algorithm>

int storedTransitionDuration(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    const bool offered = ok
        && std::find(transitionDurations.begin(), transitionDurations.end(), value)
            != transitionDurations.end();
    return offered ? value : defaultTransitionDuration;
}

int transitionMilliseconds(int chosen, qint32 delay)
{
    return std::clamp(chosen, 0, std::max(0, delay / 2));
}
