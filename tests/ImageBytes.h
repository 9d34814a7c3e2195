// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>

// Picture files made in memory for the show's tests.
namespace ImageBytes {

inline QByteArray encode(const QImage& image, const char* format, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

// A 2x1 GIF, red then blue: Qt reads GIF but cannot write it.
inline QByteArray twoPixelGif()
{
    return QByteArray::fromHex("47494638396102000100800000"
                               "ff00000000ff"
                               "2c000000000200010000"
                               "0202440a00"
                               "3b");
}

// A 2x1 GIF of two frames: red (50 ms), then blue on the right (no delay, shown for 100 ms).
inline QByteArray twoFrameGif()
{
    return QByteArray::fromHex("47494638396102000100800000ff00000000ff"
                               "21f9040005000000"
                               "2c000000000200010000"
                               "0202040a00"
                               "21f9040000000000"
                               "2c010000000100010000"
                               "02024c0100"
                               "3b");
}

// The JPEG with another frame size in its start-of-frame header (baseline or progressive), or
// empty when it has none.
inline QByteArray withJpegFrameSize(QByteArray jpeg, quint16 width, quint16 height)
{
    for (int i = 2; i + 9 < jpeg.size(); ++i) {
        const auto marker = quint8(jpeg[i + 1]);
        if (quint8(jpeg[i]) == 0xff && (marker == 0xc0 || marker == 0xc2)) {
            qToBigEndian<quint16>(height, jpeg.data() + i + 5);
            qToBigEndian<quint16>(width, jpeg.data() + i + 7);
            return jpeg;
        }
    }
    return QByteArray();
}

} // namespace ImageBytes
