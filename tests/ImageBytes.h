// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

// Picture files made in memory for the loader's and the show's tests.
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

} // namespace ImageBytes
