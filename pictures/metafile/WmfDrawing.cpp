// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/metafile/WmfDrawing.h"

#include <QImage>
#include <QtEndian>

#include <algorithm>
#include <libwmf/api.h>
#include <libwmf/gd.h>
#include <libwmf/gd/gd.h>
#include <libwmf/ipa.h>
#include <optional>

namespace {

// libwmf draws without anti-aliasing: it draws at this many times the size and the result is
// scaled down smoothly, as long as the larger canvas stays within bounds (its drawing time grows
// with the canvas, and the show waits for it).
constexpr int supersampling = 2;
constexpr qint64 largestCanvas = 4096LL * 4096LL;

void (*startDevice)(wmfAPI*) = nullptr;

// The GD device starts on an opaque white canvas; the picture's own background must stay
// transparent so that the show's colour shows through. Transparent white keeps the edges of
// smoothed text light, as they would be on the white canvas.
void startOnTransparentCanvas(wmfAPI* api)
{
    startDevice(api);
    // The device keeps its canvas as the first field of its private data; the canvas is used
    // only when its size shows that it is the one just made.
    const auto* device = WMF_GD_GetData(api);
    const auto* state = static_cast<gdImagePtr*>(device->gd_data);
    gdImagePtr image = state ? *state : nullptr;
    if (!image || !image->trueColor || image->sx != int(device->width)
        || image->sy != int(device->height))
        return;
    int* pixels = wmf_gd_image_pixels(image);
    std::fill(pixels, pixels + qsizetype(image->sx) * image->sy,
        gdTrueColorAlpha(255, 255, 255, gdAlphaTransparent));
}

// GD's true-colour pixel: 7-bit alpha (0 opaque, 127 transparent) above 8-bit red, green, blue.
QRgb toPremultiplied(int pixel)
{
    const int gdAlpha = (pixel >> 24) & 0x7F;
    const int alpha = 255 - (gdAlpha * 255 + 63) / 127;
    return qPremultiply(qRgba((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF, alpha));
}

template <typename T> T valueAt(const QByteArray& data, qsizetype offset)
{
    return qFromLittleEndian<T>(data.constData() + offset);
}

template <typename T> void append(QByteArray& data, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    data.append(bytes, sizeof(T));
}

void appendRecord(QByteArray& data, quint16 function, std::initializer_list<qint16> parameters)
{
    append<quint32>(data, quint32(3 + parameters.size()));
    append<quint16>(data, function);
    for (const qint16 parameter : parameters)
        append<qint16>(data, parameter);
}

bool isDrawing(quint16 function)
{
    switch (function) {
    case 0x0213: // LINETO
    case 0x0324: // POLYGON
    case 0x0325: // POLYLINE
    case 0x0538: // POLYPOLYGON
    case 0x041B: // RECTANGLE
    case 0x061C: // ROUNDRECT
    case 0x0418: // ELLIPSE
    case 0x0817: // ARC
    case 0x081A: // PIE
    case 0x0830: // CHORD
    case 0x0521: // TEXTOUT
    case 0x0A32: // EXTTEXTOUT
    case 0x061D: // PATBLT
    case 0x0922: // BITBLT
    case 0x0940: // DIBBITBLT
    case 0x0B23: // STRETCHBLT
    case 0x0B41: // DIBSTRETCHBLT
    case 0x0F43: // STRETCHDIB
    case 0x0D33: // SETDIBTODEV
    case 0x041F: // SETPIXEL
        return true;
    default:
        return false;
    }
}

bool isMapping(quint16 function)
{
    switch (function) {
    case 0x0103: // SETMAPMODE
    case 0x020B: // SETWINDOWORG
    case 0x020C: // SETWINDOWEXT
    case 0x020D: // SETVIEWPORTORG
    case 0x020E: // SETVIEWPORTEXT
    case 0x020F: // OFFSETWINDOWORG
    case 0x0211: // OFFSETVIEWPORTORG
    case 0x0410: // SCALEWINDOWEXT
    case 0x0412: // SCALEVIEWPORTEXT
        return true;
    default:
        return false;
    }
}

// libwmf maps the picture into its own device space, which can stretch one axis, and it draws
// the box of the ink it found, not the picture's frame. To draw the frame, this builds a small
// metafile with the same header and mapping records whose only drawing is a rectangle on the
// frame; scanning it gives the frame in device space. The frame is the window set before the
// first drawing, else the placeable box (whose position often disagrees with the drawing's own
// coordinates). Empty when the records give no frame. The records have been checked already.
QByteArray frameProbe(const QByteArray& records)
{
    const bool placeable = valueAt<quint32>(records, 0) == 0x9AC6CDD7;
    const qsizetype headerOffset = placeable ? 22 : 0;
    QByteArray probe = records.left(headerOffset + 18);
    QPoint origin;
    std::optional<QSize> extent;
    qsizetype position = headerOffset + 18;
    while (position + 6 <= records.size()) {
        const quint32 words = valueAt<quint32>(records, position);
        const quint16 function = valueAt<quint16>(records, position + 4);
        if (function == 0 || isDrawing(function))
            break;
        if (isMapping(function))
            probe.append(records.constData() + position, qsizetype(words) * 2);
        if (function == 0x020B && words >= 5)
            origin = QPoint(
                valueAt<qint16>(records, position + 8), valueAt<qint16>(records, position + 6));
        if (function == 0x020C && words >= 5 && !extent)
            extent = QSize(
                valueAt<qint16>(records, position + 8), valueAt<qint16>(records, position + 6));
        position += qsizetype(words) * 2;
    }
    QRect frame;
    if (extent) {
        frame = QRect(origin, *extent).normalized();
    } else if (placeable) {
        frame = QRect(QPoint(valueAt<qint16>(records, 6), valueAt<qint16>(records, 8)),
            QPoint(valueAt<qint16>(records, 10) - 1, valueAt<qint16>(records, 12) - 1))
                    .normalized();
    }
    if (frame.isEmpty())
        return {};
    auto clamped = [](int value) { return qint16(std::clamp(value, -32768, 32767)); };
    appendRecord(probe, 0x041B,
        { clamped(frame.bottom() + 1), clamped(frame.right() + 1), clamped(frame.top()),
            clamped(frame.left()) });
    appendRecord(probe, 0x0000, {});
    // The header's size of the whole file and of its largest record describe the probe now.
    qToLittleEndian<quint32>(
        quint32((probe.size() - headerOffset) / 2), probe.data() + headerOffset + 6);
    qToLittleEndian<quint32>(quint32(7), probe.data() + headerOffset + 12);
    return probe;
}

class Player
{
public:
    explicit Player(QByteArray records)
        : m_records(std::move(records))
    {
        wmfAPI_Options options {};
        options.function = wmf_gd_function;
        const unsigned long flags =
            WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
        if (wmf_api_create(&m_api, flags, &options) != wmf_E_None) {
            m_api = nullptr;
            return;
        }
        auto* functions = static_cast<wmfFunctionReference*>(m_api->function_reference);
        startDevice = functions->device_begin;
        functions->device_begin = startOnTransparentCanvas;
    }
    ~Player()
    {
        if (m_api)
            wmf_api_destroy(m_api);
    }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // The box of what the records draw, in libwmf's device space.
    std::optional<wmfD_Rect> scan()
    {
        wmfD_Rect bounds {};
        if (!m_api
            || wmf_mem_open(m_api, reinterpret_cast<unsigned char*>(m_records.data()),
                   long(m_records.size()))
                != wmf_E_None
            || wmf_scan(m_api, 0, &bounds) != wmf_E_None || !(bounds.BR.x > bounds.TL.x)
            || !(bounds.BR.y > bounds.TL.y))
            return std::nullopt;
        return bounds;
    }

    // Draws the part of device space within bounds onto a width x height canvas; scan() first.
    const int* play(wmfD_Rect bounds, int width, int height)
    {
        auto* device = WMF_GD_GetData(m_api);
        device->type = wmf_gd_image;
        device->width = unsigned(width);
        device->height = unsigned(height);
        device->bbox = bounds;
        if (wmf_play(m_api, 0, &bounds) != wmf_E_None || !device->gd_image)
            return nullptr;
        return wmf_gd_image_pixels(device->gd_image);
    }

private:
    QByteArray m_records;
    wmfAPI* m_api = nullptr;
};

} // namespace

QString drawWmf(QByteArray records, QImage& image)
{
    const int scale =
        qint64(image.width()) * image.height() * supersampling * supersampling <= largestCanvas
        ? supersampling
        : 1;
    const int width = image.width() * scale;
    const int height = image.height() * scale;

    const QByteArray probeRecords = frameProbe(records);
    Player player(std::move(records));
    const auto ink = player.scan();
    if (!ink)
        return QStringLiteral("The WMF records cannot be read");
    std::optional<wmfD_Rect> frame;
    if (!probeRecords.isEmpty())
        frame = Player(probeRecords).scan();
    const int* pixels = player.play(frame.value_or(*ink), width, height);
    if (!pixels)
        return QStringLiteral("The WMF records cannot be drawn");

    QImage canvas(width, height, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return QStringLiteral("Out of memory");
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = toPremultiplied(pixels[qsizetype(y) * width + x]);
    }
    image = scale == 1
        ? canvas
        : canvas.scaled(image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return {};
}
