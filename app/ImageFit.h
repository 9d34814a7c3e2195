// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QtGlobal>

// The size a picture takes in the show's client area: proportions kept, filling the full width
// or the full height, small pictures enlarged like large ones reduced.
struct ImageFit
{
    qint32 width;
    qint32 height;
};

// Fits a picture of natural size pictureWidth x pictureHeight (any unit; only the ratio counts)
// into a client area (twips). The two candidate sizes are computed in double precision and
// rounded halves to even. Throws RuntimeError when a natural size is 0 or a result leaves the
// 32-bit range.
ImageFit fitImage(
    qint32 clientWidth, qint32 clientHeight, qint32 pictureWidth, qint32 pictureHeight);
