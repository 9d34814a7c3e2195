// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/PictureAnimation.h"

#include "pictures/AvifDecoder.h"
#include "pictures/GifDecoder.h"
#include "pictures/PictureLoader.h"

#include <QImageReader>

namespace {

// Browsers show a frame of less than 20 ms for a tenth of a second: such files expect it.
int shownDelay(int milliseconds) { return milliseconds < 20 ? 100 : milliseconds; }

} // namespace

PictureAnimation::PictureAnimation(const PictureFile& file, const QSize& pixelSize)
    : m_path(file.path())
    , m_format(file.format())
    , m_naturalSize(file.naturalSize())
    , m_pixelSize(pixelSize)
{ }

PictureAnimation::~PictureAnimation() = default;

bool PictureAnimation::next(QImage* frame, int* delay)
{
    if (!m_ended && (m_open || start()) && decodeNext(frame, delay)) {
        m_animated = m_animated || m_framesThisPass >= 2;
        return true;
    }
    // The end of a pass: an animation starts again, a still picture has shown its frame.
    if (!m_ended && m_animated && start() && decodeNext(frame, delay))
        return true;
    m_ended = true;
    *frame = QImage();
    return false;
}

// Opens the file from its first frame, refusing one whose size has changed since it was checked.
bool PictureAnimation::start()
{
    m_gif.reset();
    m_avif.reset();
    m_reader.reset();
    m_framesThisPass = 0;
    m_open = false;
    QSize size;
    if (m_format == "gif") {
        m_gif = std::make_unique<GifDecoder>();
        m_open = m_gif->open(m_path);
        size = m_gif->size();
    } else if (m_format == "avif") {
        m_avif = std::make_unique<AvifDecoder>();
        m_open = m_avif->open(m_path);
        size = m_avif->size();
    } else if (m_format == "webp") {
        m_reader = std::make_unique<QImageReader>(m_path, m_format);
        size = m_reader->size();
        m_reader->setScaledSize(m_pixelSize);
        m_open = true;
    }
    m_open = m_open && size == m_naturalSize;
    return m_open;
}

bool PictureAnimation::decodeNext(QImage* frame, int* delay)
{
    QImage image;
    int milliseconds = 0;
    if (m_gif) {
        if (!m_gif->next(&image, &milliseconds))
            return false;
    } else if (m_avif) {
        if (!m_avif->next(&image, &milliseconds))
            return false;
    } else {
        if (m_framesThisPass >= m_reader->imageCount())
            return false;
        image = m_reader->read();
        if (image.isNull())
            return false;
        // The delay of the frame just read.
        milliseconds = m_reader->nextImageDelay();
    }
    ++m_framesThisPass;
    if (image.size() != m_pixelSize)
        image = image.scaled(m_pixelSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    *frame = image;
    *delay = shownDelay(milliseconds);
    return true;
}
