// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Lengths are designed in twips; on screen they are device-independent pixels at 96 per inch.
namespace Twips {

constexpr int perPixel = 15;

constexpr int toPixels(int twips) { return twips / perPixel; }
constexpr int fromPixels(int pixels) { return pixels * perPixel; }

inline QRect toPixels(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

} // namespace Twips
