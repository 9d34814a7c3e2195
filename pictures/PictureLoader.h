// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "pictures/ColourProfile.h"

#include <QImage>
#include <QImageReader>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

class HeifDecoder;
class QFile;
class SvgDecoder;

// One picture file of the show, recognised by its content whatever its name says. Opening reads
// only the header; the pixels are decoded later, directly at the size they are shown at where the
// decoder can, so a large photo costs little time and memory. One instance per thread: instances
// share nothing.
class PictureFile
{
public:
    PictureFile();
    ~PictureFile();

    // Reads the header. False, with errorString() set, for a file that is missing, not a
    // regular file, of no known format, damaged, or whose header claims an absurd size.
    bool open(const QString& path);

    // The format its content shows, after open(): "avif", "bmp", "emf", "gif", "heif", "ico",
    // "jpeg", "png", "svg", "tiff", "webp" or "wmf".
    QByteArray format() const { return m_format; }
    QString path() const { return m_path; }

    // The size as displayed, in pixels: EXIF orientation applied; for an icon file, its largest
    // image (of those, the deepest); for a GIF, its canvas.
    QSize naturalSize() const { return m_naturalSize; }

    // A GIF, WebP or AVIF file of more than one frame, told from its structure at open() without
    // decoding any pixels: only such a file has frames for PictureAnimation to play.
    bool isAnimated() const { return m_animated; }

    // An EMF or WMF file: its pixels come from the metafile helper, which a caller may run
    // itself (MetafileRenderer) instead of calling decode().
    bool isMetafile() const { return !m_metafilePath.isEmpty(); }

    // The picture decoded at pixelSize (as displayed), or a null image with errorString() set.
    QImage decode(const QSize& pixelSize);

    // The picture for a painter that stretches it to pixelSize with bilinear filtering, which
    // saves a final scale: a JPEG comes at the smallest DCT scale that covers pixelSize (less
    // than twice as large each way; at its full size when that is smaller), an SVG drawn at
    // pixelSize, other formats at their own size when that is at most twice pixelSize each way,
    // else at pixelSize. An animation gives its first frame. A null image with errorString() set
    // on failure.
    QImage decodeForDisplay(const QSize& pixelSize);

    QString errorString() const { return m_errorString; }

    // Pictures above this many pixels are refused before any decoding; a decoder that limits each
    // side (HEIF) gets the square's side.
    static constexpr int largestSide = 16384;
    static constexpr qint64 pixelBudget = qint64(largestSide) * largestSide;
    // A still GIF's canvas above this many pixels is composited only where its images lie, when
    // they cover at most a quarter of it.
    static constexpr qint64 largestWholeGifCanvas = qint64(4096) * 4096;

private:
    bool fail(const QString& error);
    bool checkSize(const QSize& size);
    bool openMetafile(QFile& file);
    bool openOwn(const QByteArray& format);
    QImage decodeStored(const QSize& pixelSize);
    QImage decodeOwn(const QSize& pixelSize);
    QImage decodeGif(const QSize& pixelSize);

    // Nothing when libjpeg-turbo does not convert the file's colours: Qt's reader then does.
    std::optional<QImage> decodeJpeg(const QSize& pixelSize);

    std::unique_ptr<QImageReader> m_reader;
    // An EMF or WMF file, drawn by MetafileRenderer instead of a reader.
    QString m_metafilePath;
    // A file decoded without a reader: BMP ("bmp": BmpDecoder), RLE BMP or icon ("bmp-rle",
    // "ico": gdk-pixbuf), GIF ("gif": giflib), AVIF ("avif": libavif) or HEIF ("heif": libheif,
    // parsed in m_heif).
    QByteArray m_ownFormat;
    std::unique_ptr<HeifDecoder> m_heif;
    // An SVG file, parsed.
    std::unique_ptr<SvgDecoder> m_svg;
    QByteArray m_format;
    QString m_path;
    QSize m_naturalSize;
    bool m_animated = false;
    // A GIF file: the part of its canvas its first frame's images cover.
    QRect m_gifImagesArea;
    QImageIOHandler::Transformations m_transformation;
    // The colours the decoder reported, converted to the screen's by decodeForDisplay().
    ColourDescription m_colour;
    QString m_errorString;
};
