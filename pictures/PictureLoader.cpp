// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/PictureLoader.h"

#include "pictures/AvifDecoder.h"
#include "pictures/BmpDecoder.h"
#include "pictures/GifDecoder.h"
#include "pictures/HeifDecoder.h"
#include "pictures/JpegDecoder.h"
#include "pictures/MetafileHeader.h"
#include "pictures/MetafileRenderer.h"
#include "pictures/PixbufDecoder.h"
#include "pictures/SvgDecoder.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTransform>
#include <QtMath>

#include <utility>

namespace {

// libjpeg keeps its own buffers (a progressive file holds all its coefficients at once) outside
// Qt's allocation limit. Capped, a file that would need more fails instead of exhausting memory.
void capJpegMemory()
{
    static const bool capped = [] {
        if (!qEnvironmentVariableIsSet("JPEGMEM"))
            qputenv("JPEGMEM", "512M");
        return true;
    }();
    Q_UNUSED(capped);
}

// Turns a picture as stored into the picture as displayed, in the order Qt's reader uses.
QImage oriented(QImage image, QImageIOHandler::Transformations transformation)
{
    const bool mirror = transformation.testFlag(QImageIOHandler::TransformationMirror);
    const bool flip = transformation.testFlag(QImageIOHandler::TransformationFlip);
    if (mirror || flip)
        image = std::move(image).mirrored(mirror, flip);
    if (transformation.testFlag(QImageIOHandler::TransformationRotate90))
        image = image.transformed(QTransform().rotate(90));
    return image;
}

// The formats whose real-world variants Qt's readers get wrong, told by their first bytes: they
// have decoders of their own. Empty for the others.
QByteArray ownDecoderFormat(const QByteArray& start)
{
    if (start.startsWith("GIF87a") || start.startsWith("GIF89a"))
        return "gif";
    // RLE files go to gdk-pixbuf (which leaves skipped pixels transparent), the others to our own.
    if (start.startsWith("BM"))
        return BmpDecoder::isRle(start) ? "bmp-rle" : "bmp";
    // Icons and cursors: a reserved zero, then type 1 or 2.
    if (start.size() >= 4 && start.at(0) == 0 && start.at(1) == 0
        && (start.at(2) == 1 || start.at(2) == 2) && start.at(3) == 0)
        return "ico";
    // ISO media files name their kind in the brand of their first box.
    if (start.mid(4, 4) == "ftyp") {
        const QByteArray brand = start.mid(8, 4);
        if (brand == "avif" || brand == "avis")
            return "avif";
        static const QByteArrayList heifBrands { "heic", "heix", "heim", "heis", "hevc", "hevx",
            "mif1", "msf1" };
        if (heifBrands.contains(brand))
            return "heif";
    }
    return QByteArray();
}

} // namespace

PictureFile::PictureFile() = default;

PictureFile::~PictureFile() = default;

bool PictureFile::open(const QString& path)
{
    capJpegMemory();
    m_reader.reset();
    m_metafilePath.clear();
    m_ownFormat.clear();
    m_heif.reset();
    m_svg.reset();
    m_format.clear();
    m_path = path;
    m_naturalSize = QSize();
    m_animated = false;
    m_gifImagesArea = QRect();
    m_transformation = QImageIOHandler::TransformationNone;
    m_errorString.clear();

    // Opening a FIFO or a device would block or read forever.
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("File not found"));
    if (!info.isFile())
        return fail(QStringLiteral("Not a regular file"));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const QByteArray start = file.peek(70);
    if (MetafileHeader::detect(start) != MetafileKind::None)
        return openMetafile(file);
    if (const QByteArray format = ownDecoderFormat(start); !format.isEmpty())
        return openOwn(format);

    auto reader = std::make_unique<QImageReader>(path);
    reader->setDecideFormatFromContent(true);
    if (!reader->canRead())
        return fail(reader->errorString());
    // SVG is read from a copy of the file that refers to nothing outside it (see SvgDecoder).
    if (reader->format() == "svg")
        return openOwn(reader->format());
    static const QByteArrayList readerFormats { "jpeg", "png", "tiff", "webp" };
    if (!readerFormats.contains(reader->format()))
        return fail(QStringLiteral("Not a picture format the show reads"));
    m_format = reader->format();

    const QSize size = reader->size();
    if (!checkSize(size))
        return false;

    m_transformation = reader->transformation();
    const bool transposed = m_transformation.testFlag(QImageIOHandler::TransformationRotate90);
    m_naturalSize = transposed ? size.transposed() : size;
    // A still WebP tells it from its header; an animated one has its frames listed, not decoded.
    m_animated = m_format == "webp" && reader->imageCount() > 1;
    reader->setAutoTransform(true);
    m_reader = std::move(reader);
    return true;
}

QImage PictureFile::decode(const QSize& pixelSize)
{
    QImage image = decodeForDisplay(pixelSize);
    if (!image.isNull() && image.size() != pixelSize)
        image = image.scaled(pixelSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

QImage PictureFile::decodeForDisplay(const QSize& pixelSize)
{
    m_colour = ColourDescription();
    QImage image = decodeStored(pixelSize);
    ColourProfile::convert(&image, m_colour);
    return image;
}

QImage PictureFile::decodeStored(const QSize& pixelSize)
{
    if (!m_metafilePath.isEmpty()) {
        MetafileRenderer renderer;
        const QImage image = renderer.render(std::exchange(m_metafilePath, QString()), pixelSize);
        if (image.isNull())
            fail(renderer.errorString());
        return image;
    }
    if (m_svg) {
        const QImage image = m_svg->render(pixelSize);
        if (image.isNull())
            fail(m_svg->errorString());
        m_svg.reset();
        return image;
    }
    if (!m_ownFormat.isEmpty()) {
        QImage image = decodeOwn(pixelSize);
        // As for a reader below: the painter's filter takes up to a halving.
        if (image.width() > 2 * pixelSize.width() || image.height() > 2 * pixelSize.height())
            image = image.scaled(pixelSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return image;
    }
    if (!m_reader) {
        fail(QStringLiteral("No picture is open"));
        return QImage();
    }
    if (m_reader->format() == "jpeg") {
        if (std::optional<QImage> image = decodeJpeg(pixelSize)) {
            m_reader.reset();
            return *image;
        }
    }
    // A reader that cannot decode at a smaller size scales its whole picture afterwards; when the
    // picture is at most twice the shown size that scale is left to the painter's bilinear
    // filter, as for JPEG.
    const bool transposed = m_transformation.testFlag(QImageIOHandler::TransformationRotate90);
    const QSize target = transposed ? pixelSize.transposed() : pixelSize;
    const QSize natural = m_reader->size();
    const bool painterScales = !m_reader->supportsOption(QImageIOHandler::ScaledSize)
        && natural.width() <= 2 * target.width() && natural.height() <= 2 * target.height();
    // The reader scales before it applies the orientation.
    if (!painterScales)
        m_reader->setScaledSize(target);
    QImage image = m_reader->read();
    if (image.isNull())
        fail(m_reader->errorString());
    m_colour.icc = image.colorSpace().iccProfile();
    m_reader.reset();
    return image;
}

std::optional<QImage> PictureFile::decodeJpeg(const QSize& pixelSize)
{
    JpegDecoder decoder;
    if (!decoder.open(m_path)) {
        if (decoder.errorString().isEmpty())
            return std::nullopt;
        fail(decoder.errorString());
        return QImage();
    }
    // Qt's reader is done with: only one decoder holds memory while the pixels come in.
    m_reader.reset();
    const bool transposed = m_transformation.testFlag(QImageIOHandler::TransformationRotate90);
    // The file is read a second time: a picture swapped in since open() has passed no size check.
    if (decoder.size() != (transposed ? m_naturalSize.transposed() : m_naturalSize)) {
        fail(QStringLiteral("The file has changed since it was opened"));
        return QImage();
    }
    QImage image = decoder.decode(transposed ? pixelSize.transposed() : pixelSize);
    m_colour.icc = decoder.iccProfile();
    if (image.isNull()) {
        fail(decoder.errorString());
        return image;
    }
    image = oriented(std::move(image), m_transformation);
    // Only the 1/8 scale can overshoot that far; bilinear filtering would then skip pixels.
    if (image.width() >= 2 * pixelSize.width() || image.height() >= 2 * pixelSize.height())
        image = image.scaled(pixelSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

bool PictureFile::fail(const QString& error)
{
    m_errorString = error;
    m_animated = false;
    m_reader.reset();
    m_metafilePath.clear();
    m_ownFormat.clear();
    m_heif.reset();
    m_svg.reset();
    return false;
}

bool PictureFile::checkSize(const QSize& size)
{
    if (size.width() <= 0 || size.height() <= 0)
        return fail(QStringLiteral("The picture has no size"));
    if (qint64(size.width()) * size.height() > pixelBudget)
        return fail(QStringLiteral("The picture is too large"));
    return true;
}

// The header gives the size; nothing is decoded or allocated before the budget is checked.
bool PictureFile::openOwn(const QByteArray& format)
{
    QSize size;
    if (format == "gif") {
        GifDecoder decoder;
        if (!decoder.open(m_path))
            return fail(decoder.errorString());
        size = decoder.size();
        m_animated = decoder.isAnimated();
        m_gifImagesArea = decoder.imagesArea();
    } else if (format == "avif") {
        AvifDecoder decoder;
        if (!decoder.open(m_path))
            return fail(decoder.errorString());
        size = decoder.size();
        m_animated = decoder.isAnimated();
    } else if (format == "bmp") {
        BmpDecoder decoder;
        if (!decoder.open(m_path))
            return fail(decoder.errorString());
        size = decoder.size();
    } else if (format == "heif") {
        // The parsed file is kept: its pixels are decoded from it later.
        m_heif = std::make_unique<HeifDecoder>();
        if (!m_heif->open(m_path, largestSide))
            return fail(m_heif->errorString());
        size = m_heif->size();
    } else if (format == "svg") {
        m_svg = std::make_unique<SvgDecoder>();
        if (!m_svg->open(m_path))
            return fail(m_svg->errorString());
        size = m_svg->size();
    } else {
        PixbufDecoder decoder(m_path, format == "ico" ? "ico" : "bmp");
        size = decoder.readSize();
        if (size.isEmpty())
            return fail(decoder.errorString());
    }
    if (!checkSize(size))
        return false;
    m_naturalSize = size;
    m_format = format == "bmp-rle" ? "bmp" : format;
    if (format != "svg")
        m_ownFormat = format;
    return true;
}

// An animation shows its first frame.
QImage PictureFile::decodeOwn(const QSize& pixelSize)
{
    const QByteArray format = std::exchange(m_ownFormat, QByteArray());
    if (format == "gif")
        return decodeGif(pixelSize);
    if (format == "avif") {
        AvifDecoder decoder;
        QImage frame;
        int delay = 0;
        if (!decoder.open(m_path))
            fail(decoder.errorString());
        else if (decoder.size() != m_naturalSize)
            fail(QStringLiteral("The file has changed since it was opened"));
        else if (!decoder.next(&frame, &delay))
            fail(decoder.errorString());
        m_colour.icc = decoder.iccProfile();
        return frame;
    }
    if (format == "bmp") {
        BmpDecoder decoder;
        QImage image;
        if (!decoder.open(m_path))
            fail(decoder.errorString());
        else if (decoder.size() != m_naturalSize)
            fail(QStringLiteral("The file has changed since it was opened"));
        else if (image = decoder.decode(); image.isNull())
            fail(decoder.errorString());
        return image;
    }
    if (format == "heif") {
        const QImage image = m_heif->decode();
        m_colour.icc = m_heif->iccProfile();
        if (image.isNull())
            fail(m_heif->errorString());
        m_heif.reset();
        return image;
    }
    PixbufDecoder decoder(m_path, format == "ico" ? "ico" : "bmp");
    const QImage image = decoder.decode(m_naturalSize);
    if (image.isNull())
        fail(decoder.errorString());
    return image;
}

QImage PictureFile::decodeGif(const QSize& pixelSize)
{
    GifDecoder decoder;
    if (!decoder.open(m_path)) {
        fail(decoder.errorString());
        return QImage();
    }
    if (decoder.size() != m_naturalSize) {
        fail(QStringLiteral("The file has changed since it was opened"));
        return QImage();
    }
    // A still picture whose images cover little of a large canvas: only their area is
    // composited, then placed on a transparent canvas of the size it is shown at.
    const QRect images = m_gifImagesArea.isEmpty() ? QRect(0, 0, 1, 1) : m_gifImagesArea;
    const qint64 canvasPixels = qint64(m_naturalSize.width()) * m_naturalSize.height();
    const bool placed = !m_animated && canvasPixels > largestWholeGifCanvas
        && qint64(images.width()) * images.height() <= canvasPixels / 4;
    // As decodeForDisplay() leaves a whole canvas: at its own size when that is at most twice
    // pixelSize each way, else at pixelSize.
    const QSize shown = m_naturalSize.width() <= 2 * pixelSize.width()
            && m_naturalSize.height() <= 2 * pixelSize.height()
        ? m_naturalSize
        : pixelSize;
    const double scaleX = double(shown.width()) / m_naturalSize.width();
    const double scaleY = double(shown.height()) / m_naturalSize.height();
    // The shown pixels the images touch, and the part of the canvas those pixels show, so that
    // their edges are averaged with transparency as in a scale of the whole canvas.
    const QRect target(QPoint(qFloor(images.left() * scaleX), qFloor(images.top() * scaleY)),
        QPoint(
            qCeil((images.right() + 1) * scaleX) - 1, qCeil((images.bottom() + 1) * scaleY) - 1));
    const QRect area = QRect(QPoint(qFloor(target.left() / scaleX), qFloor(target.top() / scaleY)),
                           QPoint(qCeil((target.right() + 1) / scaleX) - 1,
                               qCeil((target.bottom() + 1) / scaleY) - 1))
        & QRect(QPoint(0, 0), m_naturalSize);
    if (placed)
        decoder.setArea(area);
    QImage frame;
    int delay = 0;
    if (!decoder.next(&frame, &delay)) {
        fail(decoder.errorString().isEmpty() ? QStringLiteral("The GIF file holds no picture")
                                             : decoder.errorString());
        return QImage();
    }
    if (!placed)
        return frame;
    QImage canvas(shown, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull()) {
        fail(QStringLiteral("Out of memory"));
        return canvas;
    }
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(target.topLeft(),
        frame.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return canvas;
}

// Qt reads neither EMF nor WMF: their header gives the size, and the drawing is left to
// MetafileRenderer.
bool PictureFile::openMetafile(QFile& file)
{
    constexpr qint64 largestMetafile = 256 * 1024 * 1024;
    if (file.size() > largestMetafile)
        return fail(QStringLiteral("The picture is too large"));
    MetafileHeader header;
    if (!header.read(file.read(largestMetafile)))
        return fail(header.errorString());
    m_naturalSize = header.naturalSize();
    m_metafilePath = file.fileName();
    m_format = header.kind() == MetafileKind::Emf ? "emf" : "wmf";
    return true;
}
