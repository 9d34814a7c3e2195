// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// One image of the show, loaded for a client area: its size on screen and its pixels.
struct FittedPicture
{
    QSize size; // device-independent pixels, anchored at the client area's top-left corner
    // Drawn stretched to size x devicePixelRatio: decoded at that size, or for a JPEG at the
    // DCT scale that covers it.
    QImage image;
};

// Where a picture of natural size goes in a client area given in twips: its size on screen and
// the size in device pixels it is decoded at. Throws RuntimeError when the size cannot be fitted.
struct PictureFit
{
    QSize size;
    QSize devicePixels;
};
PictureFit fitPicture(
    const QSize& natural, qint32 clientWidth, qint32 clientHeight, qreal devicePixelRatio);

// Loads the picture file fitted into a client area given in twips, waiting for it. Throws
// RuntimeError when the file cannot be read or its size cannot be fitted.
FittedPicture loadFittedPicture(
    const QString& path, qint32 clientWidth, qint32 clientHeight, qreal devicePixelRatio);

// The picture at exactly the size it is shown at, in a format the screen takes as it is: called
// off the window's thread, so that painting it there is a copy.
QImage forScreen(QImage image, const QSize& devicePixels);
