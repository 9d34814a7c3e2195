// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/HeifDecoder.h"

#include "pictures/ColourProfile.h"

#include <QFile>

#include <libheif/heif.h>
#include <memory>

namespace {

QString message(const heif_error& error)
{
    return error.message && *error.message ? QString::fromUtf8(error.message)
                                           : QStringLiteral("The HEIF file cannot be decoded");
}

struct ImageRelease
{
    void operator()(heif_image* image) const { heif_image_release(image); }
};

struct OptionsRelease
{
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

} // namespace

HeifDecoder::HeifDecoder() = default;

HeifDecoder::~HeifDecoder()
{
    if (m_handle)
        heif_image_handle_release(m_handle);
    if (m_context)
        heif_context_free(m_context);
}

bool HeifDecoder::open(const QString& path, int largestSide)
{
    m_context = heif_context_alloc();
    if (!m_context) {
        m_errorString = QStringLiteral("Out of memory");
        return false;
    }
    heif_context_set_maximum_image_size_limit(m_context, largestSide);
    heif_error error =
        heif_context_read_from_file(m_context, QFile::encodeName(path).constData(), nullptr);
    if (error.code == heif_error_Ok)
        error = heif_context_get_primary_image_handle(m_context, &m_handle);
    if (error.code != heif_error_Ok) {
        m_errorString = message(error);
        return false;
    }
    // The size with the file's turn and mirror applied, as decode() gives it.
    m_size = QSize(heif_image_handle_get_width(m_handle), heif_image_handle_get_height(m_handle));
    return true;
}

QImage HeifDecoder::decode()
{
    const std::unique_ptr<heif_decoding_options, OptionsRelease> options(
        heif_decoding_options_alloc());
    heif_image* decoded = nullptr;
    const heif_error error = heif_decode_image(
        m_handle, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, options.get());
    const std::unique_ptr<heif_image, ImageRelease> image(decoded);
    if (error.code != heif_error_Ok) {
        m_errorString = message(error);
        return QImage();
    }
    int stride = 0;
    const uint8_t* pixels =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_primary_width(image.get());
    const int height = heif_image_get_primary_height(image.get());
    if (!pixels || QSize(width, height) != m_size) {
        m_errorString = QStringLiteral("The HEIF file cannot be decoded");
        return QImage();
    }
    // Copied out of libheif's buffer into the format QPainter draws fastest.
    return QImage(pixels, width, height, stride, QImage::Format_RGBA8888)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QByteArray HeifDecoder::iccProfile() const
{
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(m_handle);
    if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC)
        return QByteArray();
    const size_t size = heif_image_handle_get_raw_color_profile_size(m_handle);
    if (size == 0 || size > size_t(ColourProfile::largestProfile))
        return QByteArray();
    QByteArray profile(qsizetype(size), Qt::Uninitialized);
    if (heif_image_handle_get_raw_color_profile(m_handle, profile.data()).code != heif_error_Ok)
        return QByteArray();
    return profile;
}
