// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/PixbufDecoder.h"

#include <QFile>

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <memory>

namespace {

struct Unref
{
    void operator()(gpointer object) const { g_object_unref(object); }
};

struct Header
{
    QSize accept;
    QSize declared;
};

// Called by the loader once the header is read, before any pixels are allocated: a size of 0
// makes the format's reader stop there.
void sizePrepared(GdkPixbufLoader* loader, gint width, gint height, gpointer data)
{
    auto* header = static_cast<Header*>(data);
    header->declared = QSize(width, height);
    if (header->declared != header->accept)
        gdk_pixbuf_loader_set_size(loader, 0, 0);
}

QString taken(GError* error)
{
    const QString text = error ? QString::fromUtf8(error->message) : QString();
    g_clear_error(&error);
    return text.isEmpty() ? QStringLiteral("The picture cannot be decoded") : text;
}

QImage toImage(GdkPixbuf* pixbuf)
{
    const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
    if (gdk_pixbuf_get_bits_per_sample(pixbuf) != 8
        || gdk_pixbuf_get_n_channels(pixbuf) != (alpha ? 4 : 3))
        return QImage();
    const QImage wrapped(gdk_pixbuf_read_pixels(pixbuf), gdk_pixbuf_get_width(pixbuf),
        gdk_pixbuf_get_height(pixbuf), gdk_pixbuf_get_rowstride(pixbuf),
        alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    // The formats QPainter draws fastest; converting also copies the pixels out of the pixbuf.
    return wrapped.convertToFormat(
        alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

} // namespace

PixbufDecoder::PixbufDecoder(const QString& path, const char* format)
    : m_path(path)
    , m_format(format)
{ }

QSize PixbufDecoder::readSize()
{
    QSize declared;
    load(QSize(), &declared);
    if (declared.isValid())
        m_errorString.clear();
    else if (m_errorString.isEmpty())
        m_errorString = QStringLiteral("The picture has no size");
    return declared.isValid() ? declared : QSize();
}

QImage PixbufDecoder::decode(const QSize& expected)
{
    QSize declared;
    QImage image = load(expected, &declared);
    if (declared.isValid() && declared != expected) {
        m_errorString = QStringLiteral("The file has changed since it was opened");
        return QImage();
    }
    return image;
}

QImage PixbufDecoder::load(const QSize& accept, QSize* declared)
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_errorString = file.errorString();
        return QImage();
    }
    GError* error = nullptr;
    const std::unique_ptr<GdkPixbufLoader, Unref> loader(
        gdk_pixbuf_loader_new_with_type(m_format, &error));
    if (!loader) {
        m_errorString = taken(error);
        return QImage();
    }
    Header header { accept, QSize() };
    g_signal_connect(loader.get(), "size-prepared", G_CALLBACK(sizePrepared), &header);
    bool fed = true;
    while (fed && !file.atEnd()) {
        char buffer[64 * 1024];
        const qint64 count = file.read(buffer, sizeof buffer);
        fed = count > 0
            && gdk_pixbuf_loader_write(
                loader.get(), reinterpret_cast<const guchar*>(buffer), gsize(count), &error);
        if (header.declared.isValid() && header.declared != accept)
            break;
    }
    *declared = header.declared;
    if (header.declared.isValid() && header.declared != accept) {
        // Stopped at the header on purpose: what the loader says about the rest does not count.
        gdk_pixbuf_loader_close(loader.get(), nullptr);
        g_clear_error(&error);
        return QImage();
    }
    if (!fed || !gdk_pixbuf_loader_close(loader.get(), &error)) {
        m_errorString = taken(error);
        return QImage();
    }
    GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get());
    QImage image = pixbuf ? toImage(pixbuf) : QImage();
    if (image.isNull())
        m_errorString = QStringLiteral("The picture cannot be decoded");
    return image;
}
