// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/FittedPicture.h"

#include "app/ImageFit.h"
#include "pictures/PictureLoader.h"
#include "platform/RuntimeError.h"
#include "platform/Twips.h"

#include <QtMath>

namespace {

constexpr int invalidPicture = 481;

int twipsToPixels(qint32 twips) { return qMax(1, qRound(twips / double(Twips::perPixel))); }

} // namespace

FittedPicture loadFittedPicture(
    const QString& path, qint32 clientWidth, qint32 clientHeight, qreal devicePixelRatio)
{
    PictureFile file;
    if (!file.open(path))
        throw RuntimeError(invalidPicture, path, file.errorString());
    const QSize natural = file.naturalSize();
    const ImageFit fit = fitImage(clientWidth, clientHeight, natural.width(), natural.height());

    FittedPicture picture;
    picture.size = QSize(twipsToPixels(fit.width), twipsToPixels(fit.height));
    const QSize devicePixels(qMax(1, qRound(picture.size.width() * devicePixelRatio)),
        qMax(1, qRound(picture.size.height() * devicePixelRatio)));
    picture.image = file.decodeForDisplay(devicePixels);
    if (picture.image.isNull())
        throw RuntimeError(invalidPicture, path, file.errorString());
    return picture;
}
