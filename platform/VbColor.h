// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QColor>
#include <QtGlobal>

// The program's colour type: a signed 32-bit value, 0x00BBGGRR for a plain colour, 0x800000nn
// for system colour nn, -1 for no colour. Everything that reaches the screen goes through here.
namespace VbColor {

constexpr qint32 none = -1;
constexpr qint32 black = 0;
// System colour 19: the background of the windows, frames, labels and option buttons.
constexpr qint32 windowBackground = qint32(0x80000013);

constexpr bool isSystemColor(qint32 value) { return (quint32(value) & 0xFFFFFF00u) == 0x80000000u; }
constexpr qint32 systemColor(int index) { return qint32(0x80000000u | quint32(index)); }

// A plain colour 0..0xFFFFFF or one of the system colours 0..24.
constexpr bool isValid(qint32 value)
{
    return (value >= 0 && value <= 0xFFFFFF) || (isSystemColor(value) && (value & 0xFF) <= 24);
}

// The desktop palette's stand-in for system colour 0..30; other indices give black.
QColor systemQColor(int index);

// Plain colours map channel by channel, system colours through the desktop palette.
QColor toQColor(qint32 value);

// 0x00BBGGRR of the colour's red, green and blue.
qint32 fromQColor(const QColor& color);

} // namespace VbColor
