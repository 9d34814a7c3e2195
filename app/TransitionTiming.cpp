// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TransitionTiming.h"

#include <algorithm>

int transitionMilliseconds(int chosen, qint32 delay)
{
    return std::clamp(chosen, 0, std::max(0, delay / 2));
}
