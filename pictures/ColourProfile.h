// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>

// What a decoder knows of a picture's colours: the ICC profile it embeds, or nothing (sRGB).
struct ColourDescription
{
    QByteArray icc;
};

// Converts decoded pictures from their own colours to sRGB, with lcms2, through a small
// cache of transforms shared by the reading threads.
namespace ColourProfile {

// Profiles above this size are taken as damage: the picture is shown as sRGB.
constexpr int largestProfile = 4 * 1024 * 1024;

// Whether pictures are converted at all (on at start).
void setEnabled(bool enabled);

// The one entry point for every decoder: converts image (8-bit RGB32/ARGB32 formats, or 16-bit
// RGBA64 before its reduction to 8 bits) in place from source to sRGB. A profile lcms2
// refuses, one too large or one whose colour space does not match the pixels leaves the pixels
// as they are, that is, shown as sRGB.
void convert(QImage* image, const ColourDescription& source);

} // namespace ColourProfile
