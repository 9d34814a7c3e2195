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

PictureFit fitPicture(
    const QSize& natural, qint32 clientWidth, qint32 clientHeight, qreal devicePixelRatio)
{
    const ImageFit fit = fitImage(clientWidth, clientHeight, natural.width(), natural.height());
    PictureFit result;
    result.size = QSize(twipsToPixels(fit.width), twipsToPixels(fit.height));
    result.devicePixels = QSize(qMax(1, qRound(result.size.width() * devicePixelRatio)),
        qMax(1, qRound(result.size.height() * devicePixelRatio)));
    return result;
}

FittedPicture loadFittedPicture(
    const QString& path, qint32 clientWidth, qint32 clientHeight, qreal devicePixelRatio)
{
    PictureFile file;
    if (!file.open(path))
        throw RuntimeError(invalidPicture, path, file.errorString());
    const PictureFit fit =
        fitPicture(file.naturalSize(), clientWidth, clientHeight, devicePixelRatio);
    FittedPicture picture { fit.size, file.decodeForDisplay(fit.devicePixels) };
    if (picture.image.isNull())
        throw RuntimeError(invalidPicture, path, file.errorString());
    return picture;
}

QImage forScreen(QImage image, const QSize& devicePixels)
{
    if (image.isNull())
        return image;
    if (image.size() != devicePixels)
        image = image.scaled(devicePixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage::Format format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    return image.format() == format ? image : std::move(image).convertToFormat(format);
}
