// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

// Decodes a JPEG file with libjpeg-turbo straight into the pixel format that QPainter draws
// fastest, at the smallest DCT scale M/8 that still covers the size wanted, so the decoder does
// little more than the screen needs and nothing is converted or copied afterwards. Reads the file
// in small pieces, so a large photo never sits in memory compressed.
class JpegDecoder
{
public:
    JpegDecoder();
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    // Reads the header. False for a file that cannot be opened or is no JPEG; also false, with
    // an empty errorString(), for a JPEG whose colours this decoder does not convert (CMYK).
    bool open(const QString& path);

    // The stored size, before any EXIF orientation.
    QSize size() const { return m_size; }

    // M of the smallest scale M/8 at which a picture of the stored size covers wanted; 8 when
    // even the full size does not. Only 1, 2, 4 and 8: libjpeg-turbo has SIMD code for these
    // alone, and the scales between take longer than the next larger of them.
    static int scaleFor(const QSize& stored, const QSize& wanted);

    // The picture at scaleFor(size(), wanted) / 8 as Format_RGB32, or a null image with
    // errorString() set. Call once, after open().
    QImage decode(const QSize& wanted);

    // The embedded ICC profile, its APP2 chunks joined and checked by libjpeg-turbo; empty when
    // there is none or its chunks are damaged.
    QByteArray iccProfile() const;

    QString errorString() const { return m_errorString; }

    // Memory libjpeg may take for one picture (a progressive file holds all its coefficients).
    static constexpr long memoryLimit = 512L * 1024 * 1024;

    // libjpeg's state, opaque here.
    struct State;

private:
    bool readHeader();
    bool startOutput(int scale, QSize* outputSize);
    bool readPixels(uchar* bits, qsizetype bytesPerLine);
    bool fail();

    std::unique_ptr<State> m_state;
    QSize m_size;
    QString m_errorString;
};
