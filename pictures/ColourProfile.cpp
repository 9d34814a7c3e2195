// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/ColourProfile.h"

#include <QColorSpace>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <atomic>
#include <lcms2.h>
#include <memory>

namespace {

// A transform stays alive while a reading thread runs it, even if the cache drops it meanwhile.
using Transform = std::shared_ptr<void>;

struct Transforms
{
    QMutex mutex;
    std::atomic<bool> enabled { true };
    // Keyed by the pixel format and the source profile; the target is sRGB.
    QHash<QByteArray, Transform> cache;
};

Transforms& transforms()
{
    static Transforms instance;
    return instance;
}

// A damaged profile must not write lcms2's complaints to the terminal.
void quiet(cmsContext, cmsUInt32Number, const char*) { }

// Null when the profile is refused or does not describe RGB pixels.
Transform build(const QByteArray& source, cmsUInt32Number format)
{
    cmsHPROFILE in = cmsOpenProfileFromMem(source.constData(), cmsUInt32Number(source.size()));
    cmsHPROFILE out = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform = nullptr;
    if (in && out && cmsGetColorSpace(in) == cmsSigRgbData) {
        // Perceptual where the profile has a table for it, else relative colorimetric.
        const cmsUInt32Number intent =
            cmsIsIntentSupported(in, INTENT_PERCEPTUAL, LCMS_USED_AS_INPUT)
            ? INTENT_PERCEPTUAL
            : INTENT_RELATIVE_COLORIMETRIC;
        transform = cmsCreateTransform(in, format, out, format, intent,
            cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_COPY_ALPHA | cmsFLAGS_NOCACHE);
    }
    if (in)
        cmsCloseProfile(in);
    if (out)
        cmsCloseProfile(out);
    if (!transform)
        return nullptr;
    return Transform(transform, cmsDeleteTransform);
}

} // namespace

void ColourProfile::setEnabled(bool enabled) { transforms().enabled = enabled; }

void ColourProfile::convert(QImage* image, const ColourDescription& source)
{
    Transforms& all = transforms();
    // Untagged pictures, the common case, keep their pixels and format.
    if (image->isNull() || source.icc.isEmpty() || source.icc.size() > largestProfile
        || !all.enabled)
        return;
    cmsUInt32Number format = 0;
    switch (image->format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        format = TYPE_BGRA_8;
        break;
    case QImage::Format_ARGB32_Premultiplied:
        format = TYPE_BGRA_8_PREMUL;
        break;
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
        format = TYPE_RGBA_16;
        break;
    case QImage::Format_RGBA64_Premultiplied:
        format = TYPE_RGBA_16_PREMUL;
        break;
    default:
        *image = image->convertToFormat(
            image->hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        format = TYPE_BGRA_8;
        break;
    }
    Transform transform;
    {
        const QMutexLocker lock(&all.mutex);
        static const bool silenced = [] {
            cmsSetLogErrorHandler(quiet);
            return true;
        }();
        Q_UNUSED(silenced);
        const QByteArray key = QByteArray::number(format) + ':' + source.icc;
        const auto found = all.cache.constFind(key);
        if (found != all.cache.constEnd()) {
            transform = *found;
        } else {
            constexpr int largestCache = 8;
            if (all.cache.size() >= largestCache)
                all.cache.clear();
            transform = build(source.icc, format);
            all.cache.insert(key, transform);
        }
    }
    if (!transform)
        return;
    // Without lcms2's own cache a transform may run on several reading threads at once.
    const qsizetype stride = image->bytesPerLine();
    cmsDoTransformLineStride(transform.get(), image->bits(), image->bits(),
        cmsUInt32Number(image->width()), cmsUInt32Number(image->height()), cmsUInt32Number(stride),
        cmsUInt32Number(stride), 0, 0);
    // The image's own colours are now sRGB: Qt must not convert them again.
    image->setColorSpace(QColorSpace());
}
