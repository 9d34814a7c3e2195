// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/MetafileHeader.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

namespace {

constexpr quint32 emfHeaderType = 1;
constexpr quint32 emfEndType = 14;
constexpr quint32 emfSignature = 0x464D4520; // " EMF"
constexpr qsizetype emfMinimumHeader = 88;
constexpr quint32 placeableKey = 0x9AC6CDD7;
constexpr qsizetype placeableHeaderSize = 22;
constexpr qsizetype wmfHeaderSize = 18;
constexpr quint16 wmfSetMapMode = 0x0103;
constexpr quint16 wmfSetWindowExt = 0x020C;
constexpr quint16 wmfLineTo = 0x0213;
constexpr quint16 wmfMoveTo = 0x0214;
constexpr quint16 wmfEllipse = 0x0418;
constexpr quint16 wmfRectangle = 0x041B;
constexpr quint16 wmfRoundRect = 0x061C;
constexpr quint16 wmfArc = 0x0817;
constexpr quint16 wmfPie = 0x081A;
constexpr quint16 wmfChord = 0x0830;
constexpr quint16 wmfPolygon = 0x0324;
constexpr quint16 wmfPolyline = 0x0325;
constexpr quint16 wmfPolyPolygon = 0x0538;
constexpr double pixelsPerInch = 96.0;
constexpr double hundredthsOfMillimetrePerInch = 2540.0;

template <typename T> std::optional<T> valueAt(const QByteArray& data, qsizetype offset)
{
    if (offset < 0 || offset > data.size() - qsizetype(sizeof(T)))
        return std::nullopt;
    return qFromLittleEndian<T>(data.constData() + offset);
}

bool isWmfHeader(const QByteArray& data, qsizetype offset)
{
    const auto type = valueAt<quint16>(data, offset);
    const auto headerWords = valueAt<quint16>(data, offset + 2);
    const auto version = valueAt<quint16>(data, offset + 4);
    return type && headerWords && version && (*type == 1 || *type == 2) && *headerWords == 9
        && (*version == 0x0100 || *version == 0x0300);
}

// The box a WMF's drawing records reach in its own coordinates: the picture's size when the file
// sets neither a placeable header nor a window, as the metafiles embedded in slides do.
struct DrawingExtent
{
    int left = std::numeric_limits<int>::max();
    int top = std::numeric_limits<int>::max();
    int right = std::numeric_limits<int>::min();
    int bottom = std::numeric_limits<int>::min();

    void add(int x, int y)
    {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }

    // Widens the box by one record whose size (in words, checked against the data) is words.
    void addRecord(const QByteArray& data, qsizetype record, qint64 words, quint16 function)
    {
        const qint64 count = words - 3;
        auto word = [&](qint64 index) {
            return index < count ? valueAt<qint16>(data, record + 6 + 2 * index).value_or(0) : 0;
        };
        auto addPoints = [&](qint64 first, qint64 points) {
            for (qint64 i = 0; i < points && first + 2 * i + 1 < count; ++i)
                add(word(first + 2 * i), word(first + 2 * i + 1));
        };
        auto addRect = [&](qint64 index) {
            add(word(index + 3), word(index + 2));
            add(word(index + 1), word(index));
        };
        switch (function) {
        case wmfMoveTo:
        case wmfLineTo:
            if (count >= 2)
                add(word(1), word(0));
            break;
        case wmfRectangle:
        case wmfEllipse:
            if (count >= 4)
                addRect(0);
            break;
        case wmfRoundRect:
            if (count >= 6)
                addRect(2);
            break;
        case wmfArc:
        case wmfPie:
        case wmfChord:
            if (count >= 8)
                addRect(4);
            break;
        case wmfPolygon:
        case wmfPolyline:
            if (count >= 1)
                addPoints(1, quint16(word(0)));
            break;
        case wmfPolyPolygon: {
            const qint64 polygons = count >= 1 ? quint16(word(0)) : 0;
            qint64 points = 0;
            for (qint64 i = 1; i <= polygons && i < count; ++i)
                points += quint16(word(i));
            addPoints(1 + polygons, points);
            break;
        }
        default:
            break;
        }
    }

    qint64 width() const { return right > left ? qint64(right) - left : 0; }
    qint64 height() const { return bottom > top ? qint64(bottom) - top : 0; }
};

// Logical units per inch of a WMF mapping mode; the scalable modes have no fixed unit, so they
// count as screen pixels.
double wmfUnitsPerInch(int mapMode)
{
    switch (mapMode) {
    case 2:
        return 254.0;
    case 3:
        return 2540.0;
    case 4:
        return 100.0;
    case 5:
        return 1000.0;
    case 6:
        return 1440.0;
    default:
        return pixelsPerInch;
    }
}

// A size in some unit as whole pixels at 96 per inch; a side that is not positive is no size.
std::optional<QSize> toPixels(qint64 width, qint64 height, double unitsPerInch)
{
    if (width <= 0 || height <= 0 || unitsPerInch <= 0)
        return std::nullopt;
    const double scale = pixelsPerInch / unitsPerInch;
    const double w = std::max(1.0, std::round(double(width) * scale));
    const double h = std::max(1.0, std::round(double(height) * scale));
    if (w > std::numeric_limits<int>::max() || h > std::numeric_limits<int>::max())
        return std::nullopt;
    return QSize(int(w), int(h));
}

} // namespace

MetafileKind MetafileHeader::detect(const QByteArray& start)
{
    if (valueAt<quint32>(start, 0) == emfHeaderType && valueAt<quint32>(start, 40) == emfSignature)
        return MetafileKind::Emf;
    if (valueAt<quint32>(start, 0) == placeableKey || isWmfHeader(start, 0))
        return MetafileKind::Wmf;
    return MetafileKind::None;
}

bool MetafileHeader::read(const QByteArray& data)
{
    m_kind = MetafileKind::None;
    m_naturalSize = QSize();
    m_recordsLength = 0;
    m_errorString.clear();
    switch (detect(data)) {
    case MetafileKind::Emf:
        return readEmf(data);
    case MetafileKind::Wmf:
        return readWmf(data);
    case MetafileKind::None:
        break;
    }
    return fail(QStringLiteral("Not an EMF or WMF file"));
}

bool MetafileHeader::fail(const QString& text)
{
    m_kind = MetafileKind::None;
    m_naturalSize = QSize();
    m_recordsLength = 0;
    m_errorString = text;
    return false;
}

bool MetafileHeader::readEmf(const QByteArray& data)
{
    const quint32 headerSize = valueAt<quint32>(data, 4).value_or(0);
    if (headerSize < emfMinimumHeader || headerSize % 4 != 0 || headerSize > quint32(data.size()))
        return fail(QStringLiteral("Damaged EMF header"));
    const quint32 descriptionLength = *valueAt<quint32>(data, 60);
    const quint32 descriptionOffset = *valueAt<quint32>(data, 64);
    if (descriptionLength != 0
        && (descriptionOffset < emfMinimumHeader || descriptionOffset > headerSize
            || descriptionLength > (headerSize - descriptionOffset) / 2))
        return fail(QStringLiteral("Damaged EMF header"));

    // The frame (in hundredths of a millimetre) is the picture's size; the bounds are only the
    // ink's box in device pixels, a last resort when the frame is empty.
    auto side = [&](qsizetype low, qsizetype high) {
        return qint64(*valueAt<qint32>(data, high)) - qint64(*valueAt<qint32>(data, low));
    };
    auto size = toPixels(side(24, 32), side(28, 36), hundredthsOfMillimetrePerInch);
    if (!size)
        size = toPixels(side(8, 16) + 1, side(12, 20) + 1, pixelsPerInch);
    if (!size)
        return fail(QStringLiteral("The EMF file declares no picture size"));

    qsizetype position = 0;
    for (;;) {
        const auto type = valueAt<quint32>(data, position);
        const auto length = valueAt<quint32>(data, position + 4);
        if (!type || !length || *length < 8 || *length % 4 != 0
            || *length > quint64(data.size() - position))
            return fail(QStringLiteral("The EMF file is truncated or damaged"));
        if ((position == 0) != (*type == emfHeaderType))
            return fail(QStringLiteral("The EMF file is damaged"));
        position += *length;
        if (*type == emfEndType)
            break;
    }
    m_kind = MetafileKind::Emf;
    m_naturalSize = *size;
    m_recordsLength = position;
    return true;
}

bool MetafileHeader::readWmf(const QByteArray& data)
{
    std::optional<QSize> size;
    qsizetype headerOffset = 0;
    if (valueAt<quint32>(data, 0) == placeableKey) {
        if (data.size() < placeableHeaderSize)
            return fail(QStringLiteral("Damaged WMF header"));
        auto side = [&](qsizetype low, qsizetype high) {
            return std::abs(qint64(*valueAt<qint16>(data, high)) - *valueAt<qint16>(data, low));
        };
        size = toPixels(side(6, 10), side(8, 12), *valueAt<quint16>(data, 14));
        headerOffset = placeableHeaderSize;
    }
    if (!isWmfHeader(data, headerOffset) || data.size() - headerOffset < wmfHeaderSize)
        return fail(QStringLiteral("Damaged WMF header"));

    int mapMode = 1;
    std::optional<QSize> windowExtent;
    DrawingExtent drawing;
    qsizetype position = headerOffset + wmfHeaderSize;
    for (;;) {
        const auto words = valueAt<quint32>(data, position);
        const auto function = valueAt<quint16>(data, position + 4);
        if (!words || !function || *words < 3 || *words > quint64(data.size() - position) / 2)
            return fail(QStringLiteral("The WMF file is truncated or damaged"));
        if (*function == wmfSetMapMode && *words >= 4) {
            mapMode = *valueAt<qint16>(data, position + 6);
        } else if (*function == wmfSetWindowExt && *words >= 5 && !windowExtent) {
            const qint64 height = std::abs(qint64(*valueAt<qint16>(data, position + 6)));
            const qint64 width = std::abs(qint64(*valueAt<qint16>(data, position + 8)));
            windowExtent = QSize(int(width), int(height));
        } else {
            drawing.addRecord(data, position, *words, *function);
        }
        position += qsizetype(*words) * 2;
        if (*function == 0)
            break;
    }
    if (!size && windowExtent)
        size = toPixels(windowExtent->width(), windowExtent->height(), wmfUnitsPerInch(mapMode));
    if (!size && !windowExtent)
        size = toPixels(drawing.width(), drawing.height(), wmfUnitsPerInch(mapMode));
    if (!size)
        return fail(QStringLiteral("The WMF file declares no picture size"));
    m_kind = MetafileKind::Wmf;
    m_naturalSize = *size;
    m_recordsLength = position;
    return true;
}
