// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/AvifDecoder.h"

#include <QFile>
#include <QTransform>

#include <avif/avif.h>

AvifDecoder::AvifDecoder() = default;

AvifDecoder::~AvifDecoder()
{
    if (m_decoder)
        avifDecoderDestroy(m_decoder);
}

bool AvifDecoder::open(const QString& path)
{
    m_decoder = avifDecoderCreate();
    if (!m_decoder) {
        m_errorString = QStringLiteral("Out of memory");
        return false;
    }
    // One thread: the show decodes on a worker of its own already. Files that bend the format's
    // rules a little are shown, as browsers show them.
    m_decoder->maxThreads = 1;
    m_decoder->strictFlags = AVIF_STRICT_DISABLED;
    avifResult result = avifDecoderSetIOFile(m_decoder, QFile::encodeName(path).constData());
    if (result == AVIF_RESULT_OK)
        result = avifDecoderParse(m_decoder);
    if (result != AVIF_RESULT_OK)
        return fail(result);
    const avifImage* image = m_decoder->image;
    const bool turned = (image->transformFlags & AVIF_TRANSFORM_IROT) && image->irot.angle % 2;
    m_size = QSize(int(image->width), int(image->height));
    if (turned)
        m_size.transpose();
    m_animated = m_decoder->imageCount > 1;
    return true;
}

bool AvifDecoder::next(QImage* frame, int* delay)
{
    if (!m_decoder)
        return false;
    const avifResult result = avifDecoderNextImage(m_decoder);
    if (result == AVIF_RESULT_NO_IMAGES_REMAINING)
        return false;
    if (result != AVIF_RESULT_OK)
        return fail(result);
    avifImage* image = m_decoder->image;
    QImage pixels(int(image->width), int(image->height), QImage::Format_ARGB32_Premultiplied);
    if (pixels.isNull()) {
        m_errorString = QStringLiteral("Out of memory");
        return false;
    }
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image);
    // Format_ARGB32_Premultiplied in memory.
    rgb.format = AVIF_RGB_FORMAT_BGRA;
    rgb.depth = 8;
    rgb.alphaPremultiplied = AVIF_TRUE;
    rgb.pixels = pixels.bits();
    rgb.rowBytes = uint32_t(pixels.bytesPerLine());
    if (const avifResult converted = avifImageYUVToRGB(image, &rgb); converted != AVIF_RESULT_OK)
        return fail(converted);
    // The file's turn (counter-clockwise quarters), then its mirror.
    if (image->transformFlags & AVIF_TRANSFORM_IROT)
        pixels = pixels.transformed(QTransform().rotate(-90.0 * image->irot.angle));
    if (image->transformFlags & AVIF_TRANSFORM_IMIR)
        pixels = std::move(pixels).mirrored(image->imir.mode == 1, image->imir.mode == 0);
    *frame = pixels;
    *delay = int(m_decoder->imageTiming.duration * 1000);
    return true;
}

QByteArray AvifDecoder::iccProfile() const
{
    if (!m_decoder || !m_decoder->image)
        return QByteArray();
    const avifRWData& icc = m_decoder->image->icc;
    return QByteArray(reinterpret_cast<const char*>(icc.data), int(icc.size));
}

bool AvifDecoder::fail(int result)
{
    m_errorString = QString::fromUtf8(avifResultToString(avifResult(result)));
    return false;
}
