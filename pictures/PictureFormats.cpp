// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/PictureFormats.h"

const QList<PictureFormat>& pictureFormats()
{
    static const QList<PictureFormat> formats {
        { QStringLiteral("BMP"), { QStringLiteral("*.bmp") } },
        { QStringLiteral("DIB"), { QStringLiteral("*.dib") } },
        { QStringLiteral("EMF"), { QStringLiteral("*.emf") } },
        { QStringLiteral("GIF"), { QStringLiteral("*.gif") } },
        { QStringLiteral("ICO"), { QStringLiteral("*.ico") } },
        // .jpg, .jpeg and .jpe alike, as the show always matched them.
        { QStringLiteral("JPG"), { QStringLiteral("*.jp*") } },
        { QStringLiteral("WMF"), { QStringLiteral("*.wmf") } },
        { QStringLiteral("PNG"), { QStringLiteral("*.png") } },
        { QStringLiteral("TIFF"), { QStringLiteral("*.tif"), QStringLiteral("*.tiff") } },
        { QStringLiteral("WEBP"), { QStringLiteral("*.webp") } },
        { QStringLiteral("AVIF"), { QStringLiteral("*.avif") } },
        { QStringLiteral("HEIC"), { QStringLiteral("*.heic"), QStringLiteral("*.heif") } },
        { QStringLiteral("SVG"), { QStringLiteral("*.svg") } },
    };
    return formats;
}

QStringList allPicturePatterns()
{
    QStringList patterns;
    for (const PictureFormat& format : pictureFormats())
        patterns += format.patterns;
    return patterns;
}
