// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/metafile/DeviceIndependentBitmap.h"

#include <QList>
#include <QtAlgorithms>

namespace {

// Bitmaps are drawn into a picture of at most a few million pixels; anything much larger is
// damage, and its size must not become an allocation.
constexpr qint64 largestPixels = 64LL * 1024 * 1024;

enum Compression : quint32 { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, Jpeg = 4, Png = 5 };

struct Layout
{
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitCount = 0;
    quint32 compression = Rgb;
    QList<QRgb> colours;
    quint32 masks[4] = { 0, 0, 0, 0 };
    qsizetype infoSize = 0;
};

std::optional<Layout> readLayout(const RecordData& info)
{
    Layout layout;
    const quint32 headerSize = info.u32(0);
    qsizetype colourOffset = 0;
    int colourSize = 4;
    quint32 coloursUsed = 0;
    if (headerSize == 12) {
        layout.width = info.u16(4);
        layout.height = info.u16(6);
        layout.bitCount = info.u16(10);
        colourOffset = 12;
        colourSize = 3;
    } else if (headerSize >= 40 && info.fits(0, headerSize)) {
        layout.width = info.i32(4);
        const qint32 height = info.i32(8);
        layout.topDown = height < 0;
        layout.height = height == std::numeric_limits<qint32>::min() ? 0 : std::abs(height);
        layout.bitCount = info.u16(14);
        layout.compression = info.u32(16);
        coloursUsed = info.u32(32);
        colourOffset = headerSize;
        if (layout.compression == BitFields && headerSize == 40) {
            for (int i = 0; i < 3; ++i)
                layout.masks[i] = info.u32(40 + 4 * i);
            colourOffset += 12;
        } else if (headerSize >= 52) {
            for (int i = 0; i < 3; ++i)
                layout.masks[i] = info.u32(40 + 4 * i);
            if (headerSize >= 56)
                layout.masks[3] = info.u32(52);
        }
    } else {
        return std::nullopt;
    }
    if (layout.width <= 0 || layout.height <= 0
        || qint64(layout.width) * layout.height > largestPixels)
        return std::nullopt;
    if (layout.bitCount <= 8 && layout.bitCount > 0) {
        const quint32 most = 1u << layout.bitCount;
        const quint32 count = coloursUsed == 0 || coloursUsed > most ? most : coloursUsed;
        for (quint32 i = 0;
             i < count && info.fits(colourOffset + qsizetype(i) * colourSize, colourSize); ++i) {
            const qsizetype at = colourOffset + qsizetype(i) * colourSize;
            layout.colours.append(qRgb(info.u8(at + 2), info.u8(at + 1), info.u8(at)));
        }
        while (layout.colours.size() < qsizetype(most))
            layout.colours.append(layout.colours.isEmpty() || layout.colours.size() % 2
                    ? qRgb(0, 0, 0)
                    : qRgb(255, 255, 255));
        colourOffset += qsizetype(count) * colourSize;
    }
    layout.infoSize = colourOffset;
    return layout;
}

// The value of a channel under a bit-field mask, scaled to 0..255.
int channel(quint32 pixel, quint32 mask)
{
    if (mask == 0)
        return 0;
    const int shift = int(qCountTrailingZeroBits(mask));
    const quint32 maximum = mask >> shift;
    return int(((pixel & mask) >> shift) * 255 / maximum);
}

QImage decodeRle(const Layout& layout, const RecordData& bits)
{
    QImage image(layout.width, layout.height, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    // Pixels that the runs skip stay transparent, as Windows leaves them untouched.
    image.fill(Qt::transparent);
    const bool four = layout.compression == Rle4;
    int x = 0;
    int y = 0;
    qsizetype at = 0;
    auto put = [&](int index) {
        if (x < layout.width && y < layout.height) {
            const int row = layout.topDown ? y : layout.height - 1 - y;
            image.setPixel(x, row, layout.colours.value(index, qRgb(0, 0, 0)));
        }
        ++x;
    };
    while (at + 1 < bits.size() && y < layout.height) {
        const int count = bits.u8(at);
        const int value = bits.u8(at + 1);
        at += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < layout.width; ++i)
                put(four ? (i % 2 ? value & 15 : value >> 4) : value);
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            x += bits.u8(at);
            y += bits.u8(at + 1);
            at += 2;
        } else {
            const qsizetype bytes = four ? (value + 1) / 2 : value;
            for (int i = 0; i < value && x < layout.width; ++i) {
                const int byte = bits.u8(at + (four ? i / 2 : i));
                put(four ? (i % 2 ? byte & 15 : byte >> 4) : byte);
            }
            at += (bytes + 1) & ~qsizetype(1);
        }
    }
    return image;
}

QImage decodeRows(const Layout& layout, const RecordData& bits)
{
    const int bitCount = layout.bitCount;
    if (bitCount != 1 && bitCount != 2 && bitCount != 4 && bitCount != 8 && bitCount != 16
        && bitCount != 24 && bitCount != 32)
        return {};
    const qsizetype stride = ((qsizetype(layout.width) * bitCount + 31) / 32) * 4;
    // A bitmap whose last rows are missing shows the rows that are there.
    const qsizetype rows = std::min<qsizetype>(layout.height, bits.size() / stride);
    if (rows <= 0)
        return {};
    quint32 masks[4] = { layout.masks[0], layout.masks[1], layout.masks[2], layout.masks[3] };
    const bool fields = layout.compression == BitFields && (masks[0] | masks[1] | masks[2]);
    if (!fields && bitCount == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    }
    QImage image(layout.width, layout.height, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    for (qsizetype row = 0; row < rows; ++row) {
        const auto* source = reinterpret_cast<const uchar*>(bits.data()) + row * stride;
        auto* line = reinterpret_cast<QRgb*>(
            image.scanLine(int(layout.topDown ? row : layout.height - 1 - row)));
        for (int x = 0; x < layout.width; ++x) {
            switch (bitCount) {
            case 1:
            case 2:
            case 4:
            case 8: {
                const int perByte = 8 / bitCount;
                const int shift = 8 - bitCount * (x % perByte + 1);
                const int index = (source[x / perByte] >> shift) & ((1 << bitCount) - 1);
                line[x] = layout.colours.value(index, qRgb(0, 0, 0));
                break;
            }
            case 16:
            case 32: {
                quint32 pixel = bitCount == 16 ? quint32(source[2 * x] | source[2 * x + 1] << 8)
                                               : qFromLittleEndian<quint32>(source + 4 * x);
                if (bitCount == 32 && !fields)
                    line[x] = pixel;
                else
                    line[x] = qRgba(channel(pixel, masks[0]), channel(pixel, masks[1]),
                        channel(pixel, masks[2]), masks[3] ? channel(pixel, masks[3]) : 255);
                break;
            }
            default:
                line[x] = qRgb(source[3 * x + 2], source[3 * x + 1], source[3 * x]);
            }
        }
    }
    // Most 32-bit bitmaps leave the fourth byte at zero: they are opaque.
    if (bitCount == 32 && !fields && !masks[3]) {
        bool anyAlpha = false;
        for (int y = 0; y < image.height() && !anyAlpha; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width() && !anyAlpha; ++x)
                anyAlpha = qAlpha(line[x]) != 0;
        }
        if (!anyAlpha)
            image =
                image.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_ARGB32);
    }
    return image;
}

QImage decodeLayout(const Layout& layout, const RecordData& bits)
{
    switch (layout.compression) {
    case Rgb:
    case BitFields:
        return decodeRows(layout, bits);
    case Rle8:
    case Rle4:
        return decodeRle(layout, bits);
    case Jpeg:
    case Png: {
        const QImage image = QImage::fromData(QByteArray::fromRawData(bits.data(), bits.size()),
            layout.compression == Png ? "PNG" : "JPEG");
        return image.convertToFormat(QImage::Format_ARGB32);
    }
    default:
        return {};
    }
}

} // namespace

QImage decodeDib(const RecordData& info, const RecordData& bits)
{
    const auto layout = readLayout(info);
    if (!layout)
        return {};
    return decodeLayout(*layout, bits);
}

QImage decodePackedDib(const RecordData& packed, const QList<QRgb>& palette)
{
    auto layout = readLayout(packed);
    if (!layout)
        return {};
    const qsizetype headerSize = packed.u32(0);
    const qsizetype bitsSize =
        ((qsizetype(layout->width) * layout->bitCount + 31) / 32) * 4 * layout->height;
    if (layout->compression == Rgb && layout->bitCount <= 8 && !layout->colours.isEmpty()
        && packed.size() - layout->infoSize < bitsSize && packed.size() - headerSize >= bitsSize) {
        for (qsizetype i = 0; i < layout->colours.size(); ++i)
            layout->colours[i] = palette.value(i,
                qRgb(i * 255 / layout->colours.size(), i * 255 / layout->colours.size(),
                    i * 255 / layout->colours.size()));
        layout->infoSize = headerSize;
    }
    return decodeLayout(*layout, packed.mid(layout->infoSize));
}
