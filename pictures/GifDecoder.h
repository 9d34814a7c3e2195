// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QFile>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

struct GifFileType;
struct GraphicsControlBlock;

// Decodes a GIF file with giflib one frame at a time and composites its images as browsers do:
// the canvas starts transparent, so whatever no image covers shows the show's background, and
// each frame's disposal is applied before the next. Memory is the canvas and, for a frame that
// restores the previous picture, a copy of the area it covers.
class GifDecoder
{
public:
    GifDecoder();
    ~GifDecoder();
    GifDecoder(const GifDecoder&) = delete;
    GifDecoder& operator=(const GifDecoder&) = delete;

    // Reads the header. False with errorString() set for a file that is no GIF.
    bool open(const QString& path);

    // The canvas size the header declares.
    QSize size() const { return m_size; }

    // Whether the file holds a frame after its first, by the frame rule of next(), told from its
    // block structure alone: image data is passed over without being decompressed. Call it right
    // after open(), instead of next(): it reads the file up to the second frame or the end.
    bool isAnimated();

    // After isAnimated(): the part of the canvas the first frame's images cover; empty when none.
    QRect imagesArea() const { return m_imagesArea; }

    // Composites only this part of the canvas (within size()), before the first next(): frames
    // then come at the area's size, for a picture whose images cover little of a large canvas.
    void setArea(const QRect& area) { m_area = area; }

    // Composites the next frame into *frame (Format_ARGB32_Premultiplied, size()) and its delay
    // in milliseconds into *delay. False at the end of the file, or with errorString() set when
    // the file is damaged before its first image. A frame ends after an image that has timing
    // (a graphic control block); images without join the next one's frame, so a file of such
    // images is one picture. A damaged image ends the file, shown as far as it decodes.
    bool next(QImage* frame, int* delay);

    QString errorString() const { return m_errorString; }

private:
    bool fail(int error);
    bool readExtension(GraphicsControlBlock* timing, bool* timed);
    // Reads one image's pixels into the canvas; false when the data is damaged.
    bool drawImage(int transparent);
    bool skipImage();
    void dispose();

    QFile m_file;
    GifFileType* m_gif = nullptr;
    QSize m_size;
    QRect m_imagesArea;
    // The part of the canvas composited; m_canvas holds it.
    QRect m_area;
    QImage m_canvas;
    std::vector<unsigned char> m_line;
    // What the previous frame asks to be done with its area before the next one is drawn.
    int m_disposal = 0;
    QRect m_disposalArea;
    QImage m_previous;
    int m_frames = 0;
    QString m_errorString;
};
