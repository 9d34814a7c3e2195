// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Decodes icon files and RLE-compressed BMP files with gdk-pixbuf, whose readers know what Qt's do
// not: RLE's skipped pixels left transparent (Qt leaves them undefined), icons' transparency masks
// at every depth, and of several images of the largest size the deepest.
class PixbufDecoder
{
public:
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
