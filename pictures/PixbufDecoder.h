// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Decodes BMP and icon files with gdk-pixbuf, whose readers know the variants found in real files
// that Qt's do not: top-down rows, RLE with skipped pixels (left transparent), unusual bit masks,
// OS/2 headers, short or long palettes, and icons' transparency masks at every depth.
class PixbufDecoder
{
public:
    // Whether a BMP file, given its first bytes, is one of the variants that Qt's reader gets
    // wrong and gdk-pixbuf right: top-down rows, RLE (Qt leaves skipped pixels undefined), a header
    // size Qt refuses, or a colour mask wider than 8 bits. Qt's reader keeps the others, as it
    // honours where the pixels start, which gdk-pixbuf does not.
    static bool readsBmp(const QByteArray& start);

    // format: gdk-pixbuf's name of the file's format, "bmp" or "ico" (which reads cursors too).
    PixbufDecoder(const QString& path, const char* format);

    // The size the header declares (for an icon, of the image gdk-pixbuf shows), read without
    // decoding; an empty size with errorString() set when the header is unreadable.
    QSize readSize();

    // The whole picture, or a null image with errorString() set. The header must still declare
    // expected: a file swapped since readSize() stops before its pixels are allocated.
    QImage decode(const QSize& expected);

    QString errorString() const { return m_errorString; }

private:
    // Feeds the file to a loader that stops at the header unless it declares accept.
    QImage load(const QSize& accept, QSize* declared);

    QString m_path;
    const char* m_format;
    QString m_errorString;
};
