// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/metafile/WmfPlayer.h"

#include "pictures/metafile/DeviceIndependentBitmap.h"
#include "pictures/metafile/GdiDevice.h"
#include "pictures/metafile/MetafileFonts.h"
#include "pictures/metafile/RecordData.h"

#include <QImage>
#include <QPainter>
#include <QPolygonF>

#include <optional>

namespace {

constexpr quint32 placeableKey = 0x9AC6CDD7;
constexpr qsizetype placeableSize = 22;
constexpr qsizetype headerSize = 18;

enum Function : quint16 {
    EndOfFile = 0x0000,
    SetBkColor = 0x0201,
    SetBkMode = 0x0102,
    SetMapMode = 0x0103,
    SetRop2 = 0x0104,
    SetPolyFillMode = 0x0106,
    SetTextColor = 0x0209,
    SetTextJustification = 0x020A,
    SetTextAlign = 0x012E,
    SetWindowOrg = 0x020B,
    SetWindowExt = 0x020C,
    SetViewportOrg = 0x020D,
    SetViewportExt = 0x020E,
    OffsetWindowOrg = 0x020F,
    OffsetViewportOrg = 0x0211,
    ScaleWindowExt = 0x0410,
    ScaleViewportExt = 0x0412,
    LineTo = 0x0213,
    MoveTo = 0x0214,
    ExcludeClipRect = 0x0415,
    IntersectClipRect = 0x0416,
    OffsetClipRgn = 0x0220,
    Arc = 0x0817,
    Ellipse = 0x0418,
    Pie = 0x081A,
    Chord = 0x0830,
    Rectangle = 0x041B,
    RoundRect = 0x061C,
    PatBlt = 0x061D,
    SaveDc = 0x001E,
    SetPixel = 0x041F,
    TextOut = 0x0521,
    BitBlt = 0x0922,
    StretchBlt = 0x0B23,
    Polygon = 0x0324,
    Polyline = 0x0325,
    RestoreDc = 0x0127,
    FillRegion = 0x0228,
    FrameRegion = 0x0429,
    InvertRegion = 0x012A,
    PaintRegion = 0x012B,
    SelectClipRegion = 0x012C,
    SelectObject = 0x012D,
    SelectPalette = 0x0234,
    ExtTextOut = 0x0A32,
    PolyPolygon = 0x0538,
    DibBitBlt = 0x0940,
    DibStretchBlt = 0x0B41,
    StretchDib = 0x0F43,
    SetDibToDev = 0x0D33,
    DeleteObject = 0x01F0,
    CreatePalette = 0x00F7,
    CreatePatternBrush = 0x01F9,
    CreatePenIndirect = 0x02FA,
    CreateFontIndirect = 0x02FB,
    CreateBrushIndirect = 0x02FC,
    CreateRegion = 0x06FF,
    DibCreatePatternBrush = 0x0142,
};

bool isDrawing(quint16 function)
{
    switch (function) {
    case LineTo:
    case Polygon:
    case Polyline:
    case PolyPolygon:
    case Rectangle:
    case RoundRect:
    case Ellipse:
    case Arc:
    case Pie:
    case Chord:
    case TextOut:
    case ExtTextOut:
    case PatBlt:
    case BitBlt:
    case DibBitBlt:
    case StretchBlt:
    case DibStretchBlt:
    case StretchDib:
    case SetDibToDev:
    case SetPixel:
        return true;
    default:
        return false;
    }
}

// One record: its parameters are 16-bit words from byte 6 on.
struct Parameters
{
    RecordData r;
    qint16 word(qsizetype index) const { return r.i16(6 + 2 * index); }
    QPointF point(qsizetype yIndex) const { return QPointF(word(yIndex + 1), word(yIndex)); }
    // A rectangle stored as bottom, right, top, left from index on.
    QRectF rect(qsizetype index) const
    {
        return QRectF(
            QPointF(word(index + 3), word(index + 2)), QPointF(word(index + 1), word(index)));
    }
    quint32 colour(qsizetype index) const { return r.u32(6 + 2 * index); }
    quint32 rop(qsizetype index) const { return r.u32(6 + 2 * index); }
    qsizetype words() const { return r.size() / 2; }
};

// The box the drawing records' own coordinates reach: the frame of a WMF with neither window nor
// placeable header, as the metafiles embedded in slides are.
QRectF drawingBounds(const RecordData& data, qsizetype first)
{
    QPolygonF reached;
    qsizetype position = first;
    while (position + 6 <= data.size()) {
        const quint32 words = data.u32(position);
        const quint16 function = data.u16(position + 4);
        if (words < 3 || function == EndOfFile || words > quint64(data.size() - position) / 2)
            break;
        const Parameters p { data.mid(position, qsizetype(words) * 2) };
        const qsizetype count = p.words() - 3;
        auto addPoints = [&](qsizetype at, qsizetype points) {
            for (qsizetype i = 0; i < points && at + 2 * i + 1 < count; ++i)
                reached << QPointF(p.word(at + 2 * i), p.word(at + 2 * i + 1));
        };
        auto addRect = [&](qsizetype at, qsizetype needed) {
            if (count >= needed)
                reached << p.rect(at).topLeft() << p.rect(at).bottomRight();
        };
        switch (function) {
        case MoveTo:
        case LineTo:
            if (count >= 2)
                reached << p.point(0);
            break;
        case Rectangle:
        case Ellipse:
            addRect(0, 4);
            break;
        case RoundRect:
            addRect(2, 6);
            break;
        case Arc:
        case Pie:
        case Chord:
            addRect(4, 8);
            break;
        case Polygon:
        case Polyline:
            if (count >= 1)
                addPoints(1, quint16(p.word(0)));
            break;
        case PolyPolygon: {
            const qsizetype polygons = count >= 1 ? quint16(p.word(0)) : 0;
            qsizetype points = 0;
            for (qsizetype i = 1; i <= polygons && i < count; ++i)
                points += quint16(p.word(i));
            addPoints(1 + polygons, points);
            break;
        }
        default:
            break;
        }
        position += qsizetype(words) * 2;
    }
    return reached.boundingRect();
}

// The frame: the window set before the first drawing, else the placeable header's box, else the
// drawing's own extent.
QRectF frameOf(const RecordData& data, qsizetype first, QSize fallback)
{
    std::optional<QPointF> origin;
    std::optional<QSizeF> extent;
    qsizetype position = first;
    while (position + 6 <= data.size()) {
        const quint32 words = data.u32(position);
        const quint16 function = data.u16(position + 4);
        if (words < 3 || function == EndOfFile || isDrawing(function)
            || words > quint64(data.size() - position) / 2)
            break;
        const Parameters p { data.mid(position, qsizetype(words) * 2) };
        if (function == SetWindowOrg)
            origin = p.point(0);
        else if (function == SetWindowExt && !extent)
            extent = QSizeF(p.word(1), p.word(0));
        position += qsizetype(words) * 2;
    }
    if (extent && extent->width() != 0 && extent->height() != 0)
        return QRectF(origin.value_or(QPointF()), *extent);
    if (data.u32(0) == placeableKey) {
        const QRectF box =
            QRectF(QPointF(data.i16(6), data.i16(8)), QPointF(data.i16(10), data.i16(12)))
                .normalized();
        if (!box.isEmpty())
            return box;
    }
    const QRectF drawing = drawingBounds(data, first);
    return drawing.width() > 0 && drawing.height() > 0 ? drawing : QRectF(QPointF(0, 0), fallback);
}

QPainterPath regionOf(const Parameters& p)
{
    const RecordData& r = p.r;
    const int scans = r.u16(16);
    QPainterPath path;
    qsizetype at = 26;
    for (int i = 0; i < scans; ++i) {
        const int count = r.u16(at);
        const int top = r.i16(at + 2);
        const int bottom = r.i16(at + 4);
        if (!r.fits(at + 6, count, 2))
            break;
        for (int j = 0; j + 1 < count; j += 2)
            path.addRect(
                QRectF(QPointF(r.i16(at + 6 + 2 * j), top), QPointF(r.i16(at + 8 + 2 * j), bottom))
                    .normalized());
        at += 8 + 2 * qsizetype(count);
    }
    return path.simplified();
}

class WmfPlayback
{
public:
    WmfPlayback(QPainter& painter, const QRectF& frame)
        : m_device(painter, GdiDevice::Kind::Wmf, frame, QSizeF(96 / 25.4, 96 / 25.4))
    { }
    void play(const RecordData& data, qsizetype first);

private:
    void record(quint16 function, const Parameters& p);
    void text(const Parameters& p, bool extended);
    void bitmap(quint16 function, const Parameters& p);

    GdiDevice m_device;
};

void WmfPlayback::play(const RecordData& data, qsizetype position)
{
    while (position + 6 <= data.size() && !m_device.exhausted()) {
        const quint32 words = data.u32(position);
        const quint16 function = data.u16(position + 4);
        if (words < 3 || function == EndOfFile)
            break;
        // A picture inside an EMF+ file may lack the end of its last record: what is there is
        // drawn. Whole files have had their record sizes checked already.
        record(function, Parameters { data.mid(position, qsizetype(words) * 2) });
        if (words > quint64(data.size() - position) / 2)
            break;
        position += qsizetype(words) * 2;
    }
}

void WmfPlayback::record(quint16 function, const Parameters& p)
{
    GdiDevice& d = m_device;
    switch (function) {
    case SetBkColor:
        d.setBackgroundColour(d.colour(p.colour(0)));
        break;
    case SetBkMode:
        d.setBackgroundMode(p.word(0));
        break;
    case SetMapMode:
        d.setMapMode(p.word(0));
        break;
    case SetRop2:
        d.setRop2(p.word(0));
        break;
    case SetPolyFillMode:
        d.setPolyFillMode(p.word(0));
        break;
    case SetTextColor:
        d.setTextColour(d.colour(p.colour(0)));
        break;
    case SetTextJustification:
        d.setTextJustification(p.word(1), p.word(0));
        break;
    case SetTextAlign:
        d.setTextAlign(quint16(p.word(0)));
        break;
    case SetWindowOrg:
        d.setWindowOrigin(p.point(0));
        break;
    case SetWindowExt:
        d.setWindowExtent(QSizeF(p.word(1), p.word(0)));
        break;
    case SetViewportOrg:
        d.setViewportOrigin(p.point(0));
        break;
    case SetViewportExt:
        d.setViewportExtent(QSizeF(p.word(1), p.word(0)));
        break;
    case OffsetWindowOrg:
        d.offsetWindowOrigin(p.point(0));
        break;
    case OffsetViewportOrg:
        d.offsetViewportOrigin(p.point(0));
        break;
    case ScaleWindowExt:
        d.scaleWindowExtent(p.word(3), p.word(2), p.word(1), p.word(0));
        break;
    case ScaleViewportExt:
        d.scaleViewportExtent(p.word(3), p.word(2), p.word(1), p.word(0));
        break;
    case LineTo:
        d.lineTo(p.point(0));
        break;
    case MoveTo:
        d.moveTo(p.point(0));
        break;
    case ExcludeClipRect:
        d.excludeClipRect(p.rect(0));
        break;
    case IntersectClipRect:
        d.intersectClipRect(p.rect(0));
        break;
    case OffsetClipRgn:
        d.offsetClip(p.point(0));
        break;
    case Arc:
    case Pie:
    case Chord: {
        const auto kind = function == Arc ? GdiDevice::ArcKind::Arc
            : function == Pie             ? GdiDevice::ArcKind::Pie
                                          : GdiDevice::ArcKind::Chord;
        d.arc(p.rect(4), p.point(2), p.point(0), kind);
        break;
    }
    case Ellipse:
        d.ellipse(p.rect(0));
        break;
    case Rectangle:
        d.rectangle(p.rect(0));
        break;
    case RoundRect:
        d.roundRect(p.rect(2), QSizeF(p.word(1), p.word(0)));
        break;
    case PatBlt:
        d.patBlt(QRectF(p.point(4), QSizeF(p.word(3), p.word(2))), p.rop(0));
        break;
    case SaveDc:
        d.saveDc();
        break;
    case RestoreDc:
        d.restoreDc(p.word(0));
        break;
    case SetPixel:
        d.setPixel(p.point(2), d.colour(p.colour(0)));
        break;
    case TextOut:
        text(p, false);
        break;
    case ExtTextOut:
        text(p, true);
        break;
    case Polygon:
    case Polyline: {
        const int count = p.word(0);
        if (count < 0 || !p.r.fits(8, count, 4))
            break;
        QPolygonF points;
        for (int i = 0; i < count; ++i)
            points.append(QPointF(p.word(1 + 2 * i), p.word(2 + 2 * i)));
        if (function == Polygon)
            d.polygons({ points });
        else
            d.polyline(points, false);
        break;
    }
    case PolyPolygon: {
        const int polygons = p.word(0);
        if (polygons < 0 || !p.r.fits(8, polygons, 2))
            break;
        QList<QPolygonF> shapes;
        qsizetype next = 1 + polygons;
        for (int i = 0; i < polygons; ++i) {
            const int count = quint16(p.word(1 + i));
            if (!p.r.fits(6 + 2 * next, count, 4))
                break;
            QPolygonF points;
            for (int j = 0; j < count; ++j)
                points.append(QPointF(p.word(next + 2 * j), p.word(next + 2 * j + 1)));
            next += 2 * qsizetype(count);
            shapes.append(points);
        }
        d.polygons(shapes);
        break;
    }
    case FillRegion:
    case FrameRegion: {
        const auto* region = std::get_if<GdiRegion>(d.object(quint16(p.word(0))));
        const auto* brush = std::get_if<GdiBrush>(d.object(quint16(p.word(1))));
        if (!region || !brush)
            break;
        if (function == FillRegion)
            d.fillRegion(region->path, *brush);
        else
            d.frameRegion(region->path, *brush, QSizeF(p.word(3), p.word(2)));
        break;
    }
    case InvertRegion:
    case PaintRegion:
        if (const auto* region = std::get_if<GdiRegion>(d.object(quint16(p.word(0))))) {
            if (function == InvertRegion)
                d.invertRegion(region->path);
            else
                d.fillRegion(region->path, d.currentBrush());
        }
        break;
    case SelectClipRegion:
        if (const auto* region = std::get_if<GdiRegion>(d.object(quint16(p.word(0)))))
            d.selectClipRegionLogical(region->path, 5);
        else
            d.selectClipRegionLogical({}, 5);
        break;
    case SelectObject:
    case SelectPalette:
        d.selectObject(quint16(p.word(0)));
        break;
    case DeleteObject:
        d.deleteObject(quint16(p.word(0)));
        break;
    case BitBlt:
    case StretchBlt:
    case DibBitBlt:
    case DibStretchBlt:
    case StretchDib:
    case SetDibToDev:
        bitmap(function, p);
        break;
    case CreatePalette: {
        GdiPalette palette;
        const int count = quint16(p.word(1));
        for (int i = 0; i < count && p.r.fits(10 + 4 * qsizetype(i), 4); ++i)
            palette.append(qRgb(p.r.u8(10 + 4 * i), p.r.u8(11 + 4 * i), p.r.u8(12 + 4 * i)));
        d.createObjectInFreeSlot(palette);
    } break;
    case CreatePatternBrush:
        d.createObjectInFreeSlot(GdiBrush { GdiBrush::Kind::Solid, Qt::gray, 0, {} });
        break;
    case DibCreatePatternBrush: {
        GdiBrush brush { GdiBrush::Kind::Pattern, Qt::black, 0,
            decodePackedDib(p.r.mid(10), d.palette()) };
        d.createObjectInFreeSlot(brush);
        break;
    }
    case CreatePenIndirect: {
        GdiPen pen;
        pen.style = quint16(p.word(0));
        pen.width = p.word(1);
        pen.colour = d.colour(p.colour(3));
        d.createObjectInFreeSlot(pen);
        break;
    }
    case CreateBrushIndirect: {
        const int style = p.word(0);
        GdiBrush brush;
        brush.colour = d.colour(p.colour(1));
        brush.hatch = p.word(3);
        brush.kind = style == 1 ? GdiBrush::Kind::Null
            : style == 2        ? GdiBrush::Kind::Hatched
                                : GdiBrush::Kind::Solid;
        d.createObjectInFreeSlot(brush);
        break;
    }
    case CreateFontIndirect: {
        GdiFont font;
        font.height = p.word(0);
        font.width = p.word(1);
        font.escapement = p.word(2);
        font.weight = p.word(4);
        font.italic = p.r.u8(16);
        font.underline = p.r.u8(17);
        font.strikeOut = p.r.u8(18);
        font.charset = p.r.u8(19);
        QByteArray face;
        for (qsizetype i = 24; i < 56 && i < p.r.size() && p.r.u8(i); ++i)
            face.append(char(p.r.u8(i)));
        font.face = decodeCharset(face, font.charset == 2 ? 0 : font.charset);
        d.createObjectInFreeSlot(font);
        break;
    }
    case CreateRegion:
        d.createObjectInFreeSlot(GdiRegion { regionOf(p) });
        break;
    default:
        break;
    }
}

void WmfPlayback::text(const Parameters& p, bool extended)
{
    QPointF at;
    int count = 0;
    qsizetype stringAt = 0;
    quint32 options = 0;
    QRectF rect;
    if (extended) {
        at = p.point(0);
        count = p.word(2);
        options = quint16(p.word(3));
        stringAt = 14;
        if (options & 6) {
            rect = QRectF(QPointF(p.word(4), p.word(5)), QPointF(p.word(6), p.word(7)));
            stringAt += 8;
        }
    } else {
        count = p.word(0);
        stringAt = 8;
    }
    if (count <= 0 || !p.r.fits(stringAt, count))
        return;
    const QByteArray bytes(p.r.data() + stringAt, count);
    const qsizetype after = stringAt + ((count + 1) & ~1);
    if (!extended)
        at = QPointF(p.r.i16(after + 2), p.r.i16(after));
    QList<double> advances;
    QList<double> rises;
    // With ETO_PDY the array holds pairs of x and y advances.
    const bool pairs = (options & 0x2000) && p.r.fits(after, count, 4);
    if (extended && p.r.fits(after, count, 2)) {
        for (int i = 0; i < count; ++i) {
            advances.append(p.r.i16(after + (pairs ? 4 : 2) * i));
            if (pairs)
                rises.append(p.r.i16(after + 4 * i + 2));
        }
    }
    const QString text = decodeCharset(bytes, m_device.fontCharset(), &advances);
    m_device.text(at, text, advances, options, rect, rises);
}

void WmfPlayback::bitmap(quint16 function, const Parameters& p)
{
    const qsizetype words = p.words();
    QRectF dest;
    QRectF source;
    quint32 rop = 0x00CC0020;
    qsizetype dibAt = -1;
    switch (function) {
    case BitBlt:
    case DibBitBlt:
        rop = p.rop(0);
        if (words == 12) {
            dest = QRectF(p.point(6), QSizeF(p.word(5), p.word(4)));
        } else {
            dest = QRectF(p.point(6), QSizeF(p.word(5), p.word(4)));
            source = QRectF(p.point(2), dest.size());
            dibAt = function == DibBitBlt ? 22 : -1;
        }
        break;
    case StretchBlt:
    case DibStretchBlt:
        rop = p.rop(0);
        if (words == 14) {
            dest = QRectF(p.point(8), QSizeF(p.word(7), p.word(6)));
        } else {
            dest = QRectF(p.point(8), QSizeF(p.word(7), p.word(6)));
            source = QRectF(p.point(4), QSizeF(p.word(3), p.word(2)));
            dibAt = function == DibStretchBlt ? 26 : -1;
        }
        break;
    case StretchDib:
        rop = p.rop(0);
        dest = QRectF(p.point(9), QSizeF(p.word(8), p.word(7)));
        source = QRectF(p.point(5), QSizeF(p.word(4), p.word(3)));
        dibAt = 28;
        break;
    default: // SetDibToDev
        dest = QRectF(p.point(7), QSizeF(p.word(6), p.word(5)));
        source = QRectF(p.point(3), dest.size());
        dibAt = 24;
        break;
    }
    if (dibAt < 0) {
        if (words == 12 || words == 14)
            m_device.patBlt(dest, rop);
        return;
    }
    const RecordData dib = p.r.mid(dibAt);
    const QImage image = decodePackedDib(dib, m_device.palette());
    if (image.isNull())
        return;
    const bool bottomUp = dib.u32(0) == 12 || dib.i32(8) > 0;
    if (bottomUp && (function == StretchDib || function == SetDibToDev))
        source.moveTop(image.height() - source.top() - source.height());
    m_device.drawBitmap(dest, image, source, rop);
}

} // namespace

QString playWmf(const QByteArray& records, QImage& image)
{
    const RecordData data(records.constData(), records.size());
    const qsizetype first = (data.u32(0) == placeableKey ? placeableSize : 0) + headerSize;
    QPainter painter(&image);
    WmfPlayback playback(painter, frameOf(data, first, image.size()));
    playback.play(data, first);
    return {};
}

bool wmfHasText(const QByteArray& records)
{
    const RecordData data(records.constData(), records.size());
    qsizetype position = (data.u32(0) == placeableKey ? placeableSize : 0) + headerSize;
    while (position + 6 <= data.size()) {
        const quint32 words = data.u32(position);
        const quint16 function = data.u16(position + 4);
        if (words < 3)
            return false;
        if (function == TextOut || function == ExtTextOut)
            return true;
        position += qsizetype(words) * 2;
    }
    return false;
}
