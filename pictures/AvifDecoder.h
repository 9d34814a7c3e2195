// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

struct avifDecoder;

// Decodes an AVIF file with libavif, a still picture or an animation one frame at a time, turned
// and mirrored as the file says. Memory is one frame.
class AvifDecoder
{
public:
    AvifDecoder();
    ~AvifDecoder();
    AvifDecoder(const AvifDecoder&) = delete;
    AvifDecoder& operator=(const AvifDecoder&) = delete;

    // Reads the header. False with errorString() set for a file that is no AVIF or too large.
    bool open(const QString& path);

    // The size as displayed, turns applied.
    QSize size() const { return m_size; }

    // More than one image: told by the parse of open(), before any decoding.
    bool isAnimated() const { return m_animated; }

    // The next frame (Format_ARGB32_Premultiplied) and its delay in milliseconds. False at the end
    // of the file, or with errorString() set when a frame cannot be decoded.
    bool next(QImage* frame, int* delay);

    // The embedded ICC profile, empty when there is none.
    QByteArray iccProfile() const;

    QString errorString() const { return m_errorString; }

private:
    bool fail(int result);

    avifDecoder* m_decoder = nullptr;
    QSize m_size;
    bool m_animated = false;
    QString m_errorString;
};
