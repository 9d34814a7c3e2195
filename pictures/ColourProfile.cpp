// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/ColourProfile.h"

#include <QColorSpace>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <lcms2.h>

namespace {

struct Transforms
{
    QMutex mutex;
    QByteArray target;
    bool enabled = true;
    // Keyed by the source profile and the pixel format; built once for the current target.
    QHash<QByteArray, cmsHTRANSFORM> cache;

    void clear()
    {
        for (cmsHTRANSFORM transform : std::as_const(cache)) {
            if (transform)
                cmsDeleteTransform(transform);
        }
        cache.clear();
    }
    ~Transforms() { clear(); }
};

Transforms& transforms()
{
    static Transforms instance;
    return instance;
}

// A damaged profile must not write lcms2's complaints to the terminal.
void quiet(cmsContext, cmsUInt32Number, const char*) { }

cmsHPROFILE openProfile(const QByteArray& icc)
{
    if (icc.isEmpty())
        return cmsCreate_sRGBProfile();
    return cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size()));
}

// Null when the profile is refused or does not describe RGB pixels.
cmsHTRANSFORM build(const QByteArray& source, const QByteArray& target, cmsUInt32Number format)
{
    cmsHPROFILE in = openProfile(source);
    cmsHPROFILE out = openProfile(target);
    cmsHTRANSFORM transform = nullptr;
    if (in && out && cmsGetColorSpace(in) == cmsSigRgbData
        && cmsGetColorSpace(out) == cmsSigRgbData) {
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
    return transform;
}

} // namespace

void ColourProfile::setTarget(const QByteArray& icc)
{
    Transforms& all = transforms();
    const QMutexLocker lock(&all.mutex);
    if (icc == all.target)
        return;
    all.clear();
    all.target = icc.size() > largestProfile ? QByteArray() : icc;
}

void ColourProfile::setEnabled(bool enabled)
{
    Transforms& all = transforms();
    const QMutexLocker lock(&all.mutex);
    all.enabled = enabled;
}

bool ColourProfile::isEnabled()
{
    Transforms& all = transforms();
    const QMutexLocker lock(&all.mutex);
    return all.enabled;
}

void ColourProfile::convert(QImage* image, const ColourDescription& source)
{
    if (image->isNull() || source.icc.size() > largestProfile)
        return;
    Transforms& all = transforms();
    {
        // Untagged pictures on an sRGB screen, the common case, keep their pixels and format.
        const QMutexLocker lock(&all.mutex);
        if (!all.enabled || source.icc == all.target)
            return;
    }
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
    cmsHTRANSFORM transform = nullptr;
    {
        const QMutexLocker lock(&all.mutex);
        if (!all.enabled || source.icc == all.target)
            return;
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
                all.clear();
            transform = build(source.icc, all.target, format);
            all.cache.insert(key, transform);
        }
        if (!transform)
            return;
        // The image's own colours are now the target's: Qt must not convert them again.
        const int width = image->width();
        uchar* bits = image->bits();
        const qsizetype stride = image->bytesPerLine();
        cmsDoTransformLineStride(transform, bits, bits, cmsUInt32Number(width),
            cmsUInt32Number(image->height()), cmsUInt32Number(stride), cmsUInt32Number(stride), 0,
            0);
    }
    image->setColorSpace(QColorSpace());
}
