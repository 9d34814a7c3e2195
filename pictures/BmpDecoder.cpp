// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/BmpDecoder.h"

#include <QtEndian>

#include <vector>

namespace {

constexpr int infoAt = 14;
constexpr int largestHeader = 124;

enum Compression : quint32 { rgb = 0, rle8 = 1, rle4 = 2, bitFields = 3, alphaBitFields = 6 };

quint32 u32(const QByteArray& data, qint64 at)
{
    return at >= 0 && at + 4 <= data.size() ? qFromLittleEndian<quint32>(data.constData() + at) : 0;
}

quint16 u16(const QByteArray& data, qint64 at)
{
    return at >= 0 && at + 2 <= data.size() ? qFromLittleEndian<quint16>(data.constData() + at) : 0;
}

// The value of a field scaled to 0..255 whatever its width.
int scaled(quint64 value, quint64 largest) { return int((value * 255 + largest / 2) / largest); }

// Windows headers have these sizes; OS/2 2.x headers any size from 16 to 64 bytes besides.
bool isWindowsHeader(quint32 size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

} // namespace

bool BmpDecoder::isRle(const QByteArray& start)
{
    const quint32 compression = u32(start, infoAt) >= 20 ? u32(start, infoAt + 16) : rgb;
    return compression == rle8 || compression == rle4;
}

bool BmpDecoder::open(const QString& path)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly))
        return fail(m_file.errorString());
    // The largest header, bit fields and a full palette.
    return readHeader(m_file.read(infoAt + largestHeader + 16 + 256 * 4), m_file.size());
}

bool BmpDecoder::readHeader(const QByteArray& header, qint64 fileSize)
{
    const quint32 headerSize = u32(header, infoAt);
    const bool os2v1 = headerSize == 12;
    if (!header.startsWith("BM")
        || !(os2v1 || isWindowsHeader(headerSize) || (headerSize >= 16 && headerSize <= 64)))
        return fail(QStringLiteral("The BMP file's header is damaged"));
    if (header.size() < infoAt + qint64(headerSize))
        return fail(QStringLiteral("The BMP file is truncated"));
    m_pixelsAt = u32(header, 10);
    qint64 width = 0;
    qint64 height = 0;
    int planes = 0;
    quint32 compression = rgb;
    quint32 coloursUsed = 0;
    if (os2v1) {
        width = u16(header, infoAt + 4);
        height = u16(header, infoAt + 6);
        planes = u16(header, infoAt + 8);
        m_bitCount = u16(header, infoAt + 10);
    } else {
        width = qint32(u32(header, infoAt + 4));
        height = qint32(u32(header, infoAt + 8));
        planes = u16(header, infoAt + 12);
        m_bitCount = u16(header, infoAt + 14);
        if (headerSize >= 20)
            compression = u32(header, infoAt + 16);
        if (headerSize >= 36)
            coloursUsed = u32(header, infoAt + 32);
    }
    m_topDown = height < 0;
    height = qAbs(height);
    if (planes != 1 || width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX)
        return fail(QStringLiteral("The BMP file has no valid size"));
    m_size = QSize(int(width), int(height));

    // OS/2 2.x numbers its compressions differently: only uncompressed files are read.
    const bool fields =
        isWindowsHeader(headerSize) && (compression == bitFields || compression == alphaBitFields);
    const bool deep = m_bitCount == 16 || m_bitCount == 32;
    const bool paletted = m_bitCount == 1 || m_bitCount == 2 || m_bitCount == 4 || m_bitCount == 8;
    if (!(compression == rgb && (paletted || deep || m_bitCount == 24)) && !(fields && deep))
        return fail(QStringLiteral("This kind of BMP file is not read"));

    qint64 paletteAt = infoAt + headerSize;
    if (m_bitCount == 16) {
        m_masks[0] = 0x7c00;
        m_masks[1] = 0x03e0;
        m_masks[2] = 0x001f;
    } else if (m_bitCount == 32) {
        m_masks[0] = 0xff0000;
        m_masks[1] = 0x00ff00;
        m_masks[2] = 0x0000ff;
    }
    if (fields) {
        // In a 40-byte header's file the fields follow the header; later headers hold them.
        const qint64 masksAt = headerSize >= 52 ? infoAt + 40 : paletteAt;
        const int count = headerSize >= 56 || compression == alphaBitFields ? 4 : 3;
        for (int i = 0; i < count; ++i)
            m_masks[i] = u32(header, masksAt + 4 * i);
        if (headerSize < 52)
            paletteAt += 4 * count;
    }

    for (int i = 0; i < 4; ++i) {
        Field& field = m_fields[i];
        field.mask = m_masks[i];
        field.shift = field.mask ? qCountTrailingZeroBits(field.mask) : 0;
        field.largest = field.mask ? field.mask >> field.shift : 1;
        // Fields of up to 8 bits, nearly all there are, are scaled by a table.
        for (quint64 value = 0; field.largest <= 0xff && value <= field.largest; ++value)
            field.table[value] = uchar(scaled(value, field.largest));
    }

    m_palette.clear();
    if (paletted) {
        if (m_pixelsAt < paletteAt)
            return fail(QStringLiteral("The BMP file's palette is damaged"));
        const int entrySize = os2v1 ? 3 : 4;
        const qint64 addressable = qint64(1) << m_bitCount;
        // A palette may be shorter than its depth allows (ending where the pixels start), or
        // longer than its indexes reach.
        qint64 count = coloursUsed ? qMin<qint64>(coloursUsed, addressable) : addressable;
        count = qMin(count, (m_pixelsAt - paletteAt) / entrySize);
        for (qint64 i = 0; i < count && paletteAt + entrySize * (i + 1) <= header.size(); ++i) {
            const auto* entry =
                reinterpret_cast<const uchar*>(header.constData()) + paletteAt + entrySize * i;
            m_palette.append(qRgb(entry[2], entry[1], entry[0]));
        }
        // Indexes beyond the palette are black.
        m_palette.resize(addressable, qRgb(0, 0, 0));
    }
    // A file too short for its rows is refused before the picture is allocated: a few bytes
    // must not cost the memory of a large picture.
    const qint64 rowBytes = (width * m_bitCount + 31) / 32 * 4;
    if (fileSize - m_pixelsAt < rowBytes * height)
        return fail(QStringLiteral("The BMP file is truncated"));
    readColourProfile(header);
    return true;
}

// A version 5 header may embed an ICC profile; a linked one (a file name) is never followed.
void BmpDecoder::readColourProfile(const QByteArray& header)
{
    constexpr quint32 embedded = 0x4d424544; // "MBED"
    constexpr qint64 largestProfile = 4 * 1024 * 1024;
    if (u32(header, infoAt) < largestHeader || u32(header, infoAt + 56) != embedded)
        return;
    const quint32 size = u32(header, infoAt + 116);
    if (size == 0 || size > largestProfile || !m_file.seek(infoAt + u32(header, infoAt + 112)))
        return;
    m_colourSpace = QColorSpace::fromIccProfile(m_file.read(size));
}

QImage BmpDecoder::decode()
{
    const qint64 rowBytes = (qint64(m_size.width()) * m_bitCount + 31) / 32 * 4;
    QImage image(m_size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull() || !m_file.isOpen()) {
        fail(QStringLiteral("Out of memory"));
        return QImage();
    }
    if (!m_file.seek(m_pixelsAt)) {
        fail(m_file.errorString());
        return QImage();
    }
    std::vector<uchar> row(static_cast<size_t>(rowBytes));
    for (int i = 0; i < m_size.height(); ++i) {
        if (m_file.read(reinterpret_cast<char*>(row.data()), rowBytes) != rowBytes) {
            fail(QStringLiteral("The BMP file is truncated"));
            return QImage();
        }
        const int y = m_topDown ? i : m_size.height() - 1 - i;
        convertRow(row.data(), reinterpret_cast<QRgb*>(image.scanLine(y)));
    }
    m_file.close();
    if (m_colourSpace.isValid()) {
        image.setColorSpace(m_colourSpace);
        image.convertToColorSpace(QColorSpace::SRgb);
    }
    return image;
}

void BmpDecoder::convertRow(const uchar* row, QRgb* out) const
{
    const int width = m_size.width();
    switch (m_bitCount) {
    case 24:
        for (int x = 0; x < width; ++x)
            out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        return;
    case 16:
    case 32:
        for (int x = 0; x < width; ++x) {
            const quint32 pixel = m_bitCount == 16 ? qFromLittleEndian<quint16>(row + 2 * x)
                                                   : qFromLittleEndian<quint32>(row + 4 * x);
            int channels[4];
            for (int i = 0; i < 4; ++i) {
                const Field& field = m_fields[i];
                const quint32 value = (pixel & field.mask) >> field.shift;
                channels[i] =
                    field.largest <= 0xff ? field.table[value] : scaled(value, field.largest);
            }
            out[x] = m_fields[3].mask
                ? qPremultiply(qRgba(channels[0], channels[1], channels[2], channels[3]))
                : qRgb(channels[0], channels[1], channels[2]);
        }
        return;
    default:
        // 1, 2, 4 or 8 bits per index, the leftmost pixel in the highest bits.
        const int perByte = 8 / m_bitCount;
        const int indexMask = (1 << m_bitCount) - 1;
        for (int x = 0; x < width; ++x) {
            const int shift = 8 - m_bitCount * (x % perByte + 1);
            out[x] = m_palette.at((row[x / perByte] >> shift) & indexMask);
        }
    }
}

bool BmpDecoder::fail(const QString& error)
{
    m_errorString = error;
    return false;
}
