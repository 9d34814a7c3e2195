// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/GifDecoder.h"

#include <cstring>
#include <gif_lib.h>

namespace {

int readFromFile(GifFileType* gif, GifByteType* bytes, int length)
{
    const qint64 count =
        static_cast<QFile*>(gif->UserData)->read(reinterpret_cast<char*>(bytes), length);
    return count < 0 ? 0 : int(count);
}

// Browsers show a frame of 0 or 10 ms for a tenth of a second: such files expect it.
int displayedDelay(int hundredths) { return hundredths <= 1 ? 100 : hundredths * 10; }

// Rows of an interlaced image come in four passes.
int interlacedRow(int index, int height)
{
    constexpr int start[] = { 0, 4, 2, 1 };
    constexpr int step[] = { 8, 8, 4, 2 };
    for (int pass = 0; pass < 4; ++pass) {
        const int rows =
            height > start[pass] ? (height - start[pass] + step[pass] - 1) / step[pass] : 0;
        if (index < rows)
            return start[pass] + index * step[pass];
        index -= rows;
    }
    return height;
}

} // namespace

GifDecoder::GifDecoder() = default;

GifDecoder::~GifDecoder()
{
    if (m_gif)
        DGifCloseFile(m_gif, nullptr);
}

bool GifDecoder::open(const QString& path)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_errorString = m_file.errorString();
        return false;
    }
    int error = 0;
    m_gif = DGifOpen(&m_file, readFromFile, &error);
    if (!m_gif)
        return fail(error);
    m_size = QSize(m_gif->SWidth, m_gif->SHeight);
    m_area = QRect(QPoint(0, 0), m_size);
    return true;
}

bool GifDecoder::next(QImage* frame, int* delay)
{
    if (!m_gif)
        return false;
    if (m_canvas.isNull()) {
        m_canvas = QImage(m_area.size(), QImage::Format_ARGB32_Premultiplied);
        if (m_canvas.isNull()) {
            m_errorString = QStringLiteral("Out of memory");
            return false;
        }
        m_canvas.fill(Qt::transparent);
    }
    GraphicsControlBlock timing { DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR };
    bool timed = false;
    bool drawn = false;
    bool ended = true;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(m_gif, &type) == GIF_ERROR || type == TERMINATE_RECORD_TYPE)
            break;
        if (type == EXTENSION_RECORD_TYPE) {
            if (!readExtension(&timing, &timed))
                break;
            continue;
        }
        if (DGifGetImageDesc(m_gif) == GIF_ERROR) {
            // An image without pixels may come without data too: an empty part of the picture.
            drawn = drawn || m_gif->Image.Width == 0 || m_gif->Image.Height == 0;
            break;
        }
        dispose();
        m_disposal = timed ? timing.DisposalMode : DISPOSAL_UNSPECIFIED;
        m_disposalArea =
            QRect(m_gif->Image.Left, m_gif->Image.Top, m_gif->Image.Width, m_gif->Image.Height)
                .translated(-m_area.topLeft())
            & m_canvas.rect();
        m_previous = m_disposal == DISPOSE_PREVIOUS ? m_canvas.copy(m_disposalArea) : QImage();
        drawn = true;
        if (!drawImage(timed ? timing.TransparentColor : NO_TRANSPARENT_COLOR))
            break;
        if (timed) {
            ended = false;
            break;
        }
    }
    // A damaged file is shown as far as it decodes, and nothing follows the damage. A file
    // without any image is an empty picture; one damaged before its first image is refused.
    const bool damaged = m_gif->Error != D_GIF_SUCCEEDED;
    if (ended) {
        if (damaged && !drawn && m_frames == 0)
            fail(m_gif->Error);
        DGifCloseFile(m_gif, nullptr);
        m_gif = nullptr;
        if (!drawn && (damaged || m_frames > 0))
            return false;
    }
    ++m_frames;
    *frame = m_canvas;
    *delay = displayedDelay(timed ? timing.DelayTime : 0);
    return true;
}

bool GifDecoder::isAnimated()
{
    if (!m_gif || !m_canvas.isNull())
        return false;
    // Each image read keeps a record in giflib until the file is closed: a file of more than
    // this many blocks before its second frame is left to next() to tell.
    constexpr int largestRecordCount = 4096;
    GraphicsControlBlock timing { DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR };
    bool timed = false;
    bool frameEnded = false;
    for (int records = 0; records < largestRecordCount; ++records) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(m_gif, &type) == GIF_ERROR || type == TERMINATE_RECORD_TYPE)
            return false;
        if (type == EXTENSION_RECORD_TYPE) {
            if (!readExtension(&timing, &timed))
                return false;
            continue;
        }
        // As in next(), an image without pixels and without data still makes a frame.
        if (DGifGetImageDesc(m_gif) == GIF_ERROR)
            return frameEnded && (m_gif->Image.Width == 0 || m_gif->Image.Height == 0);
        if (frameEnded)
            return true;
        const QRect image(
            m_gif->Image.Left, m_gif->Image.Top, m_gif->Image.Width, m_gif->Image.Height);
        m_imagesArea |= image & QRect(QPoint(0, 0), m_size);
        if (!skipImage())
            return false;
        frameEnded = timed;
    }
    return true;
}

bool GifDecoder::readExtension(GraphicsControlBlock* timing, bool* timed)
{
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(m_gif, &code, &block) == GIF_ERROR)
        return false;
    if (block && code == GRAPHICS_EXT_FUNC_CODE)
        *timed = DGifExtensionToGCB(block[0], block + 1, timing) == GIF_OK;
    while (block) {
        if (DGifGetExtensionNext(m_gif, &block) == GIF_ERROR)
            return false;
    }
    return true;
}

bool GifDecoder::drawImage(int transparent)
{
    const GifImageDesc& image = m_gif->Image;
    const ColorMapObject* colours = image.ColorMap ? image.ColorMap : m_gif->SColorMap;
    // No pixels, but its data must still be passed over.
    if (image.Width <= 0 || image.Height <= 0)
        return skipImage();
    m_line.resize(size_t(image.Width));
    for (int index = 0; index < image.Height; ++index) {
        if (DGifGetLine(m_gif, m_line.data(), image.Width) == GIF_ERROR)
            return false;
        const int y = image.Top - m_area.top()
            + (image.Interlace ? interlacedRow(index, image.Height) : index);
        if (y < 0 || y >= m_canvas.height())
            continue;
        const int left = image.Left - m_area.left();
        auto* row = reinterpret_cast<QRgb*>(m_canvas.scanLine(y));
        const int last = qMin(image.Width, m_canvas.width() - left);
        for (int x = qMax(0, -left); x < last; ++x) {
            const int colour = m_line[size_t(x)];
            if (colour == transparent)
                continue;
            // An index beyond the colour table has no colour: it stays transparent.
            if (colours && colour < colours->ColorCount) {
                const GifColorType& c = colours->Colors[colour];
                row[left + x] = qRgb(c.Red, c.Green, c.Blue);
            }
        }
    }
    return true;
}

// Passes over an image's data sub-blocks as they are stored, compressed.
bool GifDecoder::skipImage()
{
    int codeSize = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(m_gif, &codeSize, &block) == GIF_ERROR)
        return false;
    while (block) {
        if (DGifGetCodeNext(m_gif, &block) == GIF_ERROR)
            return false;
    }
    return true;
}

void GifDecoder::dispose()
{
    if (m_disposal == DISPOSE_BACKGROUND) {
        for (int y = m_disposalArea.top(); y <= m_disposalArea.bottom(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(m_canvas.scanLine(y));
            std::fill(row + m_disposalArea.left(), row + m_disposalArea.right() + 1, 0);
        }
    } else if (m_disposal == DISPOSE_PREVIOUS && !m_previous.isNull()) {
        for (int y = 0; y < m_previous.height(); ++y)
            std::memcpy(m_canvas.scanLine(m_disposalArea.top() + y) + 4 * m_disposalArea.left(),
                m_previous.constScanLine(y), size_t(4 * m_previous.width()));
    }
    m_disposal = DISPOSAL_UNSPECIFIED;
    m_previous = QImage();
}

bool GifDecoder::fail(int error)
{
    const char* text = GifErrorString(error);
    m_errorString = text ? QString::fromLatin1(text) : QStringLiteral("The GIF file is damaged");
    return false;
}
