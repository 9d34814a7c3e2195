// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

class QSvgRenderer;

// An SVG picture, drawn with QtSvg from a bounded in-memory copy of its file. Nothing outside the
// file is read: a picture that refers to another file is refused, since reading that (a FIFO, a
// device, a remote mount) could block the show for good; so is compressed SVG, which could unpack
// to any size.
class SvgDecoder
{
public:
    SvgDecoder();
    ~SvgDecoder();

    // Reads and parses the file. False with errorString() set for a file that is too large,
    // compressed, refers to other files, is no SVG or has no size.
    bool open(const QString& path);

    // The size the picture declares, in pixels.
    QSize size() const { return m_size; }

    // The picture drawn at pixelSize on a transparent background.
    QImage render(const QSize& pixelSize);

    QString errorString() const { return m_errorString; }

    // Larger files are refused unread.
    static constexpr qint64 largestFile = 16 * 1024 * 1024;

    // Whether an SVG text refers to a file or address outside itself: an image element whose
    // reference is not embedded data.
    static bool refersOutside(const QByteArray& svg);

private:
    bool fail(const QString& error);

    std::unique_ptr<QSvgRenderer> m_renderer;
    QSize m_size;
    QString m_errorString;
};
