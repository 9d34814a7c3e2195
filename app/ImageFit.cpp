// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/ImageFit.h"

#include "platform/Conversions.h"

ImageFit fitImage(
    qint32 clientWidth, qint32 clientHeight, qint32 pictureWidth, qint32 pictureHeight)
{
    // A natural size of 0 makes a division by zero: infinite or NaN, which toInt32 rejects.
    const qint32 widthAtFullHeight =
        Conversions::toInt32((double(clientHeight) / pictureHeight) * pictureWidth);
    const qint32 heightAtFullWidth =
        Conversions::toInt32((double(clientWidth) / pictureWidth) * pictureHeight);
    ImageFit fit { widthAtFullHeight, heightAtFullWidth };
    if (heightAtFullWidth > clientHeight)
        fit.height = clientHeight;
    if (widthAtFullHeight > clientWidth)
        fit.width = clientWidth;
    return fit;
}
