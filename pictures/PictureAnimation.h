// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

class AvifDecoder;
class GifDecoder;
class PictureFile;
class QImageReader;

// The frames of an animated GIF, WebP or AVIF picture, decoded one at a time at the size they are
// shown at, each with how long it stays; after the last frame the first comes again. It holds one
// decoder and one frame, whatever the length of the animation. Make it on the thread that uses it.
// Other formats have no frames here: PictureFile decodes them.
class PictureAnimation
{
public:
    // From a file that open() accepted; the frames come at pixelSize.
    PictureAnimation(const PictureFile& file, const QSize& pixelSize);
    ~PictureAnimation();
    PictureAnimation(const PictureAnimation&) = delete;
    PictureAnimation& operator=(const PictureAnimation&) = delete;

    // The next frame and its delay in milliseconds. False when there is no other frame to show
    // than the one given last: a still GIF, WebP or AVIF picture gives one frame; also false when
    // a frame cannot be decoded or the file has changed, so the last frame stays on screen.
    bool next(QImage* frame, int* delay);

private:
    bool start();
    bool decodeNext(QImage* frame, int* delay);

    QString m_path;
    QByteArray m_format;
    QSize m_naturalSize;
    QSize m_pixelSize;
    std::unique_ptr<GifDecoder> m_gif;
    std::unique_ptr<AvifDecoder> m_avif;
    std::unique_ptr<QImageReader> m_reader;
    bool m_open = false;
    int m_framesThisPass = 0;
    bool m_animated = false;
    bool m_ended = false;
};
