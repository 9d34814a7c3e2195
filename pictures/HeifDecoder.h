// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

struct heif_context;
struct heif_image_handle;

// Decodes the primary picture of a HEIF file (HEIC photos from phones) with libheif, turned and
// mirrored as the file says.
class HeifDecoder
{
public:
    HeifDecoder();
    ~HeifDecoder();
    HeifDecoder(const HeifDecoder&) = delete;
    HeifDecoder& operator=(const HeifDecoder&) = delete;

    // Reads the file's structure, not its pixels. False with errorString() set for a file that
    // is no HEIF, has no picture or a larger one than the pixel budget allows each way.
    bool open(const QString& path, int largestSide);

    // The size as displayed.
    QSize size() const { return m_size; }

    // The picture (Format_ARGB32_Premultiplied), or a null image with errorString() set.
    QImage decode();

    // The embedded ICC profile ("prof" or "rICC"), empty when there is none.
    QByteArray iccProfile() const;

    QString errorString() const { return m_errorString; }

private:
    heif_context* m_context = nullptr;
    heif_image_handle* m_handle = nullptr;
    QSize m_size;
    QString m_errorString;
};
