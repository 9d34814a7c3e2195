// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/JpegDecoder.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

// libjpeg reports a fatal error by calling error_exit, which must not return: it jumps back to
// the setjmp in the member function that called into libjpeg. Those functions hold no object
// with a destructor, so the jump skips nothing.
struct JpegDecoder::State
{
    jpeg_decompress_struct info {};
    jpeg_error_mgr errors {};
    std::jmp_buf jump {};
    char message[JMSG_LENGTH_MAX] {};
    FILE* file = nullptr;
    bool created = false;

    ~State()
    {
        if (created)
            jpeg_destroy_decompress(&info);
        if (file)
            std::fclose(file);
    }
};

namespace {

[[noreturn]] void exitWithError(j_common_ptr info)
{
    auto* state = static_cast<JpegDecoder::State*>(info->client_data);
    info->err->format_message(info, state->message);
    std::longjmp(state->jump, 1);
}

// Warnings (a truncated file, say) leave grey where data is missing, as other readers do.
void ignoreMessage(j_common_ptr) { }

int scaled(int length, int scale) { return (length * scale + 7) / 8; }

} // namespace

JpegDecoder::JpegDecoder()
    : m_state(std::make_unique<State>())
{ }

JpegDecoder::~JpegDecoder() = default;

bool JpegDecoder::open(const QString& path)
{
    m_state->file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!m_state->file) {
        m_errorString = QStringLiteral("Cannot open the file");
        return false;
    }
    if (!readHeader())
        return fail();
    const J_COLOR_SPACE colours = m_state->info.jpeg_color_space;
    if (colours != JCS_YCbCr && colours != JCS_GRAYSCALE && colours != JCS_RGB) {
        m_errorString.clear();
        return false;
    }
    m_size = QSize(int(m_state->info.image_width), int(m_state->info.image_height));
    return true;
}

bool JpegDecoder::readHeader()
{
    State& state = *m_state;
    state.info.err = jpeg_std_error(&state.errors);
    state.errors.error_exit = exitWithError;
    state.errors.output_message = ignoreMessage;
    state.info.client_data = &state;
    if (setjmp(state.jump))
        return false;
    jpeg_create_decompress(&state.info);
    state.created = true;
    state.info.mem->max_memory_to_use = memoryLimit;
    jpeg_stdio_src(&state.info, state.file);
    jpeg_save_markers(&state.info, JPEG_APP0 + 2, 0xffff);
    jpeg_read_header(&state.info, TRUE);
    return true;
}

int JpegDecoder::scaleFor(const QSize& stored, const QSize& wanted)
{
    for (int scale = 1; scale < 8; scale *= 2) {
        if (scaled(stored.width(), scale) >= wanted.width()
            && scaled(stored.height(), scale) >= wanted.height())
            return scale;
    }
    return 8;
}

QImage JpegDecoder::decode(const QSize& wanted)
{
    QSize outputSize;
    if (!m_state->created || !startOutput(scaleFor(m_size, wanted), &outputSize)) {
        fail();
        return QImage();
    }
    QImage image(outputSize, QImage::Format_RGB32);
    if (image.isNull()) {
        m_errorString = QStringLiteral("Out of memory");
        return QImage();
    }
    if (!readPixels(image.bits(), image.bytesPerLine())) {
        fail();
        return QImage();
    }
    return image;
}

bool JpegDecoder::startOutput(int scale, QSize* outputSize)
{
    State& state = *m_state;
    if (setjmp(state.jump))
        return false;
    state.info.scale_num = unsigned(scale);
    state.info.scale_denom = 8;
    // Four bytes per pixel with the fourth set to 0xff: QImage::Format_RGB32 in memory.
    state.info.out_color_space = JCS_EXT_BGRX;
    jpeg_calc_output_dimensions(&state.info);
    *outputSize = QSize(int(state.info.output_width), int(state.info.output_height));
    return true;
}

bool JpegDecoder::readPixels(uchar* bits, qsizetype bytesPerLine)
{
    State& state = *m_state;
    if (setjmp(state.jump))
        return false;
    jpeg_start_decompress(&state.info);
    // Several rows per call let the upsampler write straight into the image.
    constexpr int rowsPerCall = 16;
    JSAMPROW rows[rowsPerCall];
    while (state.info.output_scanline < state.info.output_height) {
        const JDIMENSION first = state.info.output_scanline;
        const JDIMENSION count = qMin<JDIMENSION>(rowsPerCall, state.info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = bits + qsizetype(first + i) * bytesPerLine;
        jpeg_read_scanlines(&state.info, rows, count);
    }
    return true;
}

QByteArray JpegDecoder::iccProfile() const
{
    JOCTET* data = nullptr;
    unsigned int length = 0;
    if (!m_state->created || !jpeg_read_icc_profile(&m_state->info, &data, &length))
        return QByteArray();
    const QByteArray profile(reinterpret_cast<const char*>(data), int(length));
    std::free(data);
    return profile;
}

bool JpegDecoder::fail()
{
    if (m_state->message[0])
        m_errorString = QString::fromLocal8Bit(m_state->message);
    else if (m_errorString.isEmpty())
        m_errorString = QStringLiteral("The JPEG file cannot be decoded");
    return false;
}
