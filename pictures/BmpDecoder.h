// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QColorSpace>
#include <QFile>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

// Decodes uncompressed BMP files of every header version (OS/2 1.x and 2.x, Windows 3 to 5 and
// the 52- and 56-byte ones between) and every depth from 1 to 32 bits, honouring where the pixels
// start, short and long palettes, bit fields of any width (scaled to full range) and an alpha
// field, top-down rows and an embedded colour profile. Neither Qt's reader nor gdk-pixbuf gets all
// of these right. RLE files go to gdk-pixbuf instead; compressed (JPEG, PNG, Huffman, RLE24) and
// 64-bit ones are refused. Reads one row at a time; every size and offset the file declares is
// checked before use.
class BmpDecoder
{
public:
    // Whether a BMP file's first bytes show RLE compression.
    static bool isRle(const QByteArray& start);

    // Reads the headers and the palette. False with errorString() set for a damaged or
    // unsupported file.
    bool open(const QString& path);

    QSize size() const { return m_size; }

    // The whole picture, or a null image with errorString() set. Call once, after open().
    QImage decode();

    QString errorString() const { return m_errorString; }

private:
    bool fail(const QString& error);
    bool readHeader(const QByteArray& header, qint64 fileSize);
    void readColourProfile(const QByteArray& header);
    void convertRow(const uchar* row, QRgb* out) const;

    QFile m_file;
    QSize m_size;
    bool m_topDown = false;
    int m_bitCount = 0;
    qint64 m_pixelsAt = 0;
    QList<QRgb> m_palette;
    // Red, green, blue and alpha of a 16- or 32-bit pixel.
    struct Field
    {
        quint32 mask = 0;
        int shift = 0;
        quint64 largest = 1;
        uchar table[256] {};
    };
    quint32 m_masks[4] {};
    Field m_fields[4];
    QColorSpace m_colourSpace;
    QString m_errorString;
};
