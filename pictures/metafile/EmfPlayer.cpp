// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/metafile/EmfPlayer.h"

#include "pictures/metafile/DeviceIndependentBitmap.h"
#include "pictures/metafile/EmfPlusPlayer.h"
#include "pictures/metafile/GdiDevice.h"
#include "pictures/metafile/MetafileFonts.h"
#include "pictures/metafile/RecordData.h"
#include "pictures/metafile/TypedPath.h"

#include <QImage>
#include <QPainter>

namespace {

enum Record : quint32 {
    Header = 1,
    PolyBezier = 2,
    Polygon = 3,
    Polyline = 4,
    PolyBezierTo = 5,
    PolylineTo = 6,
    PolyPolyline = 7,
    PolyPolygon = 8,
    SetWindowExtEx = 9,
    SetWindowOrgEx = 10,
    SetViewportExtEx = 11,
    SetViewportOrgEx = 12,
    EndOfFile = 14,
    SetPixelV = 15,
    SetMapMode = 17,
    SetBkMode = 18,
    SetPolyFillMode = 19,
    SetRop2 = 20,
    SetTextAlign = 22,
    SetTextColor = 24,
    SetBkColor = 25,
    OffsetClipRgn = 26,
    MoveToEx = 27,
    ExcludeClipRect = 29,
    IntersectClipRect = 30,
    ScaleViewportExtEx = 31,
    ScaleWindowExtEx = 32,
    SaveDc = 33,
    RestoreDc = 34,
    SetWorldTransform = 35,
    ModifyWorldTransform = 36,
    SelectObject = 37,
    CreatePen = 38,
    CreateBrushIndirect = 39,
    DeleteObject = 40,
    AngleArc = 41,
    Ellipse = 42,
    Rectangle = 43,
    RoundRect = 44,
    Arc = 45,
    Chord = 46,
    Pie = 47,
    SelectPalette = 48,
    CreatePalette = 49,
    LineTo = 54,
    ArcTo = 55,
    PolyDraw = 56,
    SetArcDirection = 57,
    SetMiterLimit = 58,
    BeginPath = 59,
    EndPath = 60,
    CloseFigure = 61,
    FillPath = 62,
    StrokeAndFillPath = 63,
    StrokePath = 64,
    FlattenPath = 65,
    WidenPath = 66,
    SelectClipPath = 67,
    AbortPath = 68,
    GdiComment = 70,
    FillRgn = 71,
    FrameRgn = 72,
    InvertRgn = 73,
    PaintRgn = 74,
    ExtSelectClipRgn = 75,
    BitBlt = 76,
    StretchBlt = 77,
    MaskBlt = 78,
    SetDiBitsToDevice = 80,
    StretchDiBits = 81,
    ExtCreateFontIndirectW = 82,
    ExtTextOutA = 83,
    ExtTextOutW = 84,
    PolyBezier16 = 85,
    Polygon16 = 86,
    Polyline16 = 87,
    PolyBezierTo16 = 88,
    PolylineTo16 = 89,
    PolyPolyline16 = 90,
    PolyPolygon16 = 91,
    PolyDraw16 = 92,
    CreateMonoBrush = 93,
    CreateDibPatternBrushPt = 94,
    ExtCreatePen = 95,
    SetTextJustification = 120,
    SmallTextOut = 108,
    AlphaBlend = 114,
    TransparentBlt = 116,
    GradientFill = 118,
};

// A palette: its number of entries at countAt, its entries (red, green, blue, flags) from at.
GdiPalette paletteAt(const RecordData& r, qsizetype countAt, qsizetype at)
{
    const quint16 count = r.u16(countAt);
    GdiPalette palette;
    for (quint16 i = 0; i < count && r.fits(at + 4 * qsizetype(i), 4); ++i)
        palette.append(qRgb(r.u8(at + 4 * i), r.u8(at + 4 * i + 1), r.u8(at + 4 * i + 2)));
    return palette;
}

QRectF rectAt(const RecordData& r, qsizetype offset)
{
    return QRectF(
        QPointF(r.i32(offset), r.i32(offset + 4)), QPointF(r.i32(offset + 8), r.i32(offset + 12)));
}

QPointF pointAt(const RecordData& r, qsizetype offset)
{
    return QPointF(r.i32(offset), r.i32(offset + 4));
}

// count points of 8 or 4 bytes at offset, or none when they are not all in the record.
QPolygonF pointsAt(const RecordData& r, qsizetype offset, quint32 count, bool small)
{
    const qsizetype size = small ? 4 : 8;
    if (!r.fits(offset, count, size))
        return {};
    QPolygonF points;
    points.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        const qsizetype at = offset + qsizetype(i) * size;
        points.append(small ? QPointF(r.i16(at), r.i16(at + 2)) : pointAt(r, at));
    }
    return points;
}

QList<QPolygonF> polyPolygonAt(const RecordData& r, bool small)
{
    const quint32 polygons = r.u32(24);
    const quint32 total = r.u32(28);
    if (!r.fits(32, polygons, 4))
        return {};
    const QPolygonF points = pointsAt(r, 32 + qsizetype(polygons) * 4, total, small);
    QList<QPolygonF> result;
    qsizetype next = 0;
    for (quint32 i = 0; i < polygons; ++i) {
        const quint32 count = r.u32(32 + qsizetype(i) * 4);
        if (count > quint32(points.size() - next))
            break;
        result.append(points.mid(next, count));
        next += count;
    }
    return result;
}

// RGNDATA: a header of 32 bytes, then its rectangles.
QPainterPath regionAt(const RecordData& r, qsizetype offset, qsizetype length)
{
    const RecordData data = r.mid(offset, length);
    const quint32 count = data.u32(8);
    QPainterPath path;
    if (!data.fits(32, count, 16))
        return path;
    for (quint32 i = 0; i < count; ++i)
        path.addRect(rectAt(data, 32 + qsizetype(i) * 16).normalized());
    return path.simplified();
}

QImage bitmapAt(const RecordData& r, qsizetype infoOffset, qsizetype bitsOffset)
{
    const quint32 offInfo = r.u32(infoOffset);
    const quint32 cbInfo = r.u32(infoOffset + 4);
    const quint32 offBits = r.u32(bitsOffset);
    const quint32 cbBits = r.u32(bitsOffset + 4);
    if (cbInfo == 0 || !r.fits(offInfo, cbInfo) || !r.fits(offBits, cbBits))
        return {};
    return decodeDib(r.mid(offInfo, cbInfo), r.mid(offBits, cbBits));
}

bool isBottomUp(const RecordData& r, qsizetype infoOffset)
{
    const RecordData info = r.mid(r.u32(infoOffset), r.u32(infoOffset + 4));
    return info.u32(0) == 12 || info.i32(8) > 0;
}

GdiFont fontAt(const RecordData& r, qsizetype at)
{
    GdiFont font;
    font.height = r.i32(at);
    font.width = r.i32(at + 4);
    font.escapement = r.i32(at + 8);
    font.weight = r.i32(at + 16);
    font.italic = r.u8(at + 20);
    font.underline = r.u8(at + 21);
    font.strikeOut = r.u8(at + 22);
    font.charset = r.u8(at + 23);
    QString face;
    for (int i = 0; i < 32; ++i) {
        const char16_t c = r.u16(at + 28 + 2 * i);
        if (c == 0)
            break;
        face.append(QChar(c));
    }
    font.face = face;
    return font;
}

// The least size of each kind of record that has parameters.
quint32 leastSize(quint32 type)
{
    switch (type) {
    case PolyPolyline:
    case PolyPolygon:
    case PolyPolyline16:
    case PolyPolygon16:
    case CreateMonoBrush:
    case CreateDibPatternBrushPt:
    case FillRgn:
    case RoundRect:
    case SetWorldTransform:
        return 32;
    case PolyBezier:
    case Polygon:
    case Polyline:
    case PolyBezierTo:
    case PolylineTo:
    case PolyDraw:
    case PolyBezier16:
    case Polygon16:
    case Polyline16:
    case PolyBezierTo16:
    case PolylineTo16:
    case PolyDraw16:
    case CreatePen:
    case AngleArc:
    case InvertRgn:
    case PaintRgn:
        return 28;
    case SetWindowExtEx:
    case SetWindowOrgEx:
    case SetViewportExtEx:
    case SetViewportOrgEx:
    case OffsetClipRgn:
    case MoveToEx:
    case LineTo:
    case ExtSelectClipRgn:
    case CreatePalette:
    case SetTextJustification:
        return 16;
    case SetPixelV:
        return 20;
    case SetMapMode:
    case SetBkMode:
    case SetPolyFillMode:
    case SetRop2:
    case SetTextAlign:
    case SetTextColor:
    case SetBkColor:
    case RestoreDc:
    case SelectObject:
    case DeleteObject:
    case SetArcDirection:
    case SetMiterLimit:
    case SelectClipPath:
    case GdiComment:
        return 12;
    case ExcludeClipRect:
    case IntersectClipRect:
    case ScaleViewportExtEx:
    case ScaleWindowExtEx:
    case CreateBrushIndirect:
    case Ellipse:
    case Rectangle:
    case FillPath:
    case StrokeAndFillPath:
    case StrokePath:
        return 24;
    case ModifyWorldTransform:
    case SmallTextOut:
    case GradientFill:
        return 36;
    case Arc:
    case Chord:
    case Pie:
    case ArcTo:
    case FrameRgn:
        return 40;
    case ExtCreatePen:
        return 52;
    case ExtTextOutA:
    case ExtTextOutW:
    case SetDiBitsToDevice:
        return 76;
    case StretchDiBits:
        return 80;
    case BitBlt:
        return 100;
    case ExtCreateFontIndirectW:
        return 104;
    case StretchBlt:
    case AlphaBlend:
    case TransparentBlt:
        return 108;
    case MaskBlt:
        return 128;
    default:
        return 8;
    }
}

// Where a record keeps its bitmaps: the offsets of (offset, size) pairs of info and bits.
QList<std::pair<qsizetype, qsizetype>> bitmapFields(quint32 type)
{
    switch (type) {
    case BitBlt:
    case StretchBlt:
    case AlphaBlend:
    case TransparentBlt:
        return { { 84, 92 } };
    case MaskBlt:
        return { { 84, 92 }, { 112, 120 } };
    case SetDiBitsToDevice:
    case StretchDiBits:
        return { { 48, 56 } };
    case CreateMonoBrush:
    case CreateDibPatternBrushPt:
        return { { 16, 24 } };
    case ExtCreatePen:
        return { { 12, 20 } };
    default:
        return {};
    }
}

bool inside(const RecordData& r, qsizetype offsetAt)
{
    const quint32 length = r.u32(offsetAt + 4);
    return length == 0 || r.fits(r.u32(offsetAt), length);
}

// A record too short for its kind, or whose bitmap or text lies outside it, marks a damaged
// file: such files are refused rather than drawn from made-up values.
bool isSound(quint32 type, const RecordData& r)
{
    if (quint32(r.size()) < leastSize(type))
        return false;
    for (const auto& [info, bits] : bitmapFields(type)) {
        if (!inside(r, info) || !inside(r, bits))
            return false;
    }
    if (type == ExtTextOutA || type == ExtTextOutW) {
        const quint32 count = r.u32(44);
        const qsizetype unit = type == ExtTextOutW ? 2 : 1;
        if (count > 0 && !r.fits(r.u32(48), count, unit))
            return false;
    }
    return true;
}

bool emfPlusDraws(const RecordData& records)
{
    qsizetype position = 0;
    while (position + 8 <= records.size()) {
        const quint32 type = records.u32(position);
        const quint32 size = records.u32(position + 4);
        if (size < 8 || size > records.size() - position)
            return false;
        const RecordData r = records.mid(position, size);
        if (type == GdiComment && r.u32(12) == 0x2B464D45 && r.u32(8) >= 4
            && EmfPlusPlayer::draws(r.mid(16, qsizetype(r.u32(8)) - 4)))
            return true;
        position += size;
    }
    return false;
}

class EmfPlayback
{
public:
    EmfPlayback(QPainter& painter, const RecordData& header)
        : m_device(
            painter, GdiDevice::Kind::Emf, frameOf(header, painter), pixelsPerMillimetre(header))
    { }

    static QSizeF pixelsPerMillimetre(const RecordData& header)
    {
        const double pixelsWide = header.i32(72);
        const double pixelsHigh = header.i32(76);
        const double millimetresWide = header.i32(80);
        const double millimetresHigh = header.i32(84);
        if (pixelsWide <= 0 || pixelsHigh <= 0 || millimetresWide <= 0 || millimetresHigh <= 0)
            return QSizeF(96 / 25.4, 96 / 25.4);
        return QSizeF(pixelsWide / millimetresWide, pixelsHigh / millimetresHigh);
    }

    // The frame (hundredths of a millimetre) in device pixels; the bounds when it is empty.
    static QRectF frameOf(const RecordData& header, const QPainter& painter)
    {
        const QSizeF scale = pixelsPerMillimetre(header) / 100;
        const QRectF frame = rectAt(header, 24);
        QRectF device(frame.left() * scale.width(), frame.top() * scale.height(),
            frame.width() * scale.width(), frame.height() * scale.height());
        if (!(device.width() > 0) || !(device.height() > 0)) {
            const QRectF bounds = rectAt(header, 8);
            device = QRectF(bounds.topLeft(), bounds.size() + QSizeF(1, 1));
        }
        if (!(device.width() > 0) || !(device.height() > 0))
            device = QRectF(0, 0, painter.device()->width(), painter.device()->height());
        return device;
    }

    void play(const RecordData& records);

private:
    void record(quint32 type, const RecordData& r);
    void text(const RecordData& r, bool wide);
    void smallText(const RecordData& r);
    void bitBlt(quint32 type, const RecordData& r);
    void comment(const RecordData& r);
    void createPen(const RecordData& r, bool extended);
    void createBrush(const RecordData& r, bool pattern);
    void gradientFill(const RecordData& r);
    void polyDraw(const RecordData& r, bool small);

    GdiDevice m_device;
    bool m_plusDraws = false;
    std::unique_ptr<EmfPlusPlayer> m_plus;
};

void EmfPlayback::play(const RecordData& records)
{
    m_plusDraws = emfPlusDraws(records);
    qsizetype position = 0;
    while (position + 8 <= records.size() && !m_device.exhausted()) {
        const quint32 type = records.u32(position);
        const quint32 size = records.u32(position + 4);
        if (size < 8 || size > records.size() - position)
            break;
        const RecordData r = records.mid(position, size);
        position += size;
        if (type == EndOfFile)
            break;
        if (type == GdiComment) {
            comment(r);
            continue;
        }
        // A GDI+ reader skips the GDI records of a dual file: the EMF+ records draw the same.
        if (m_plus && m_plus->drawsInsteadOfGdi())
            continue;
        record(type, r);
    }
}

void EmfPlayback::comment(const RecordData& r)
{
    const quint32 length = r.u32(8);
    const RecordData data = r.mid(12, length);
    if (data.u32(0) != 0x2B464D45) // "EMF+"
        return;
    // A file whose EMF+ records draw nothing is drawn by its GDI records alone.
    if (!m_plusDraws)
        return;
    if (!m_plus)
        m_plus = std::make_unique<EmfPlusPlayer>(m_device);
    m_plus->play(data.mid(4));
}

void EmfPlayback::record(quint32 type, const RecordData& r)
{
    GdiDevice& d = m_device;
    switch (type) {
    case PolyBezier:
    case PolyBezier16:
        d.polyBezier(pointsAt(r, 28, r.u32(24), type == PolyBezier16), false);
        break;
    case PolyBezierTo:
    case PolyBezierTo16:
        d.polyBezier(pointsAt(r, 28, r.u32(24), type == PolyBezierTo16), true);
        break;
    case Polygon:
    case Polygon16:
        d.polygons({ pointsAt(r, 28, r.u32(24), type == Polygon16) });
        break;
    case Polyline:
    case Polyline16:
        d.polyline(pointsAt(r, 28, r.u32(24), type == Polyline16), false);
        break;
    case PolylineTo:
    case PolylineTo16:
        d.polyline(pointsAt(r, 28, r.u32(24), type == PolylineTo16), true);
        break;
    case PolyPolyline:
    case PolyPolyline16:
        d.polylines(polyPolygonAt(r, type == PolyPolyline16));
        break;
    case PolyPolygon:
    case PolyPolygon16:
        d.polygons(polyPolygonAt(r, type == PolyPolygon16));
        break;
    case PolyDraw:
    case PolyDraw16:
        polyDraw(r, type == PolyDraw16);
        break;
    case SetWindowExtEx:
        d.setWindowExtent(QSizeF(r.i32(8), r.i32(12)));
        break;
    case SetWindowOrgEx:
        d.setWindowOrigin(pointAt(r, 8));
        break;
    case SetViewportExtEx:
        d.setViewportExtent(QSizeF(r.i32(8), r.i32(12)));
        break;
    case SetViewportOrgEx:
        d.setViewportOrigin(pointAt(r, 8));
        break;
    case ScaleViewportExtEx:
        d.scaleViewportExtent(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
        break;
    case ScaleWindowExtEx:
        d.scaleWindowExtent(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
        break;
    case SetPixelV:
        d.setPixel(pointAt(r, 8), d.colour(r.u32(16)));
        break;
    case SetMapMode:
        d.setMapMode(r.i32(8));
        break;
    case SetBkMode:
        d.setBackgroundMode(r.i32(8));
        break;
    case SetPolyFillMode:
        d.setPolyFillMode(r.i32(8));
        break;
    case SetRop2:
        d.setRop2(r.i32(8));
        break;
    case SetTextAlign:
        d.setTextAlign(r.u32(8));
        break;
    case SetTextColor:
        d.setTextColour(d.colour(r.u32(8)));
        break;
    case SetBkColor:
        d.setBackgroundColour(d.colour(r.u32(8)));
        break;
    case OffsetClipRgn:
        d.offsetClip(pointAt(r, 8));
        break;
    case MoveToEx:
        d.moveTo(pointAt(r, 8));
        break;
    case ExcludeClipRect:
        d.excludeClipRect(rectAt(r, 8));
        break;
    case IntersectClipRect:
        d.intersectClipRect(rectAt(r, 8));
        break;
    case SaveDc:
        d.saveDc();
        break;
    case RestoreDc:
        d.restoreDc(r.i32(8));
        break;
    case SetWorldTransform:
        d.setWorldTransform(
            QTransform(r.f32(8), r.f32(12), r.f32(16), r.f32(20), r.f32(24), r.f32(28)));
        break;
    case ModifyWorldTransform:
        d.modifyWorldTransform(
            QTransform(r.f32(8), r.f32(12), r.f32(16), r.f32(20), r.f32(24), r.f32(28)), r.i32(32));
        break;
    case SelectObject:
    case SelectPalette:
        d.selectObject(r.u32(8));
        break;
    case CreatePen:
        createPen(r, false);
        break;
    case ExtCreatePen:
        createPen(r, true);
        break;
    case CreateBrushIndirect:
        createBrush(r, false);
        break;
    case CreateMonoBrush:
    case CreateDibPatternBrushPt:
        createBrush(r, true);
        break;
    case CreatePalette:
        d.createObject(r.u32(8), paletteAt(r, 14, 16));
        break;
    case ExtCreateFontIndirectW:
        d.createObject(r.u32(8), fontAt(r, 12));
        break;
    case DeleteObject:
        d.deleteObject(r.u32(8));
        break;
    case AngleArc:
        d.angleArc(pointAt(r, 8), r.u32(16), r.f32(20), r.f32(24));
        break;
    case Ellipse:
        d.ellipse(rectAt(r, 8));
        break;
    case Rectangle:
        d.rectangle(rectAt(r, 8));
        break;
    case RoundRect:
        d.roundRect(rectAt(r, 8), QSizeF(r.i32(24), r.i32(28)));
        break;
    case Arc:
        d.arc(rectAt(r, 8), pointAt(r, 24), pointAt(r, 32), GdiDevice::ArcKind::Arc);
        break;
    case ArcTo:
        d.arc(rectAt(r, 8), pointAt(r, 24), pointAt(r, 32), GdiDevice::ArcKind::ArcTo);
        break;
    case Chord:
        d.arc(rectAt(r, 8), pointAt(r, 24), pointAt(r, 32), GdiDevice::ArcKind::Chord);
        break;
    case Pie:
        d.arc(rectAt(r, 8), pointAt(r, 24), pointAt(r, 32), GdiDevice::ArcKind::Pie);
        break;
    case LineTo:
        d.lineTo(pointAt(r, 8));
        break;
    case SetArcDirection:
        d.setArcDirection(r.i32(8));
        break;
    case SetMiterLimit:
        d.setMiterLimit(std::clamp(double(r.u32(8)), 1.0, 100.0));
        break;
    case BeginPath:
        d.beginPath();
        break;
    case EndPath:
        d.endPath();
        break;
    case CloseFigure:
        d.closeFigure();
        break;
    case FillPath:
        d.fillPath();
        break;
    case StrokeAndFillPath:
        d.strokeAndFillPath();
        break;
    case StrokePath:
        d.strokePath();
        break;
    case FlattenPath:
        d.flattenPath();
        break;
    case WidenPath:
        d.widenPath();
        break;
    case SelectClipPath:
        d.selectClipPath(r.i32(8));
        break;
    case AbortPath:
        d.abortPath();
        break;
    case FillRgn:
        if (const auto* brush = std::get_if<GdiBrush>(d.object(r.u32(28))))
            d.fillRegion(regionAt(r, 32, r.u32(24)), *brush);
        break;
    case FrameRgn:
        if (const auto* brush = std::get_if<GdiBrush>(d.object(r.u32(28))))
            d.frameRegion(regionAt(r, 40, r.u32(24)), *brush, QSizeF(r.i32(32), r.i32(36)));
        break;
    case InvertRgn:
        d.invertRegion(regionAt(r, 28, r.u32(24)));
        break;
    case PaintRgn:
        d.fillRegion(regionAt(r, 28, r.u32(24)), d.currentBrush());
        break;
    case ExtSelectClipRgn: {
        const quint32 length = r.u32(8);
        d.selectClipRegionDevice(length ? regionAt(r, 16, length) : QPainterPath(), r.i32(12));
        break;
    }
    case BitBlt:
    case StretchBlt:
    case MaskBlt:
    case SetDiBitsToDevice:
    case StretchDiBits:
    case AlphaBlend:
    case TransparentBlt:
        bitBlt(type, r);
        break;
    case ExtTextOutA:
    case ExtTextOutW:
        text(r, type == ExtTextOutW);
        break;
    case SmallTextOut:
        smallText(r);
        break;
    case SetTextJustification:
        d.setTextJustification(r.i32(8), r.i32(12));
        break;
    case GradientFill:
        gradientFill(r);
        break;
    default:
        break;
    }
}

void EmfPlayback::polyDraw(const RecordData& r, bool small)
{
    const quint32 count = r.u32(24);
    const QPolygonF points = pointsAt(r, 28, count, small);
    const qsizetype typesAt = 28 + qsizetype(count) * (small ? 4 : 8);
    if (points.isEmpty() || !r.fits(typesAt, count))
        return;
    QPainterPath path(m_device.currentPosition());
    // PT_MOVETO 6, PT_BEZIERTO 4, PT_CLOSEFIGURE 1.
    addTypedPoints(path, points, r.mid(typesAt, count), { 6, 6, 4, 1 });
    m_device.moveTo(path.currentPosition());
    m_device.shape(path, false);
}

void EmfPlayback::createPen(const RecordData& r, bool extended)
{
    GdiPen pen;
    if (extended) {
        pen.style = r.u32(28);
        pen.width = r.u32(32);
        pen.colour = m_device.colour(r.u32(40));
        const quint32 entries = r.u32(48);
        if (r.fits(52, entries, 4) && entries <= 64) {
            for (quint32 i = 0; i < entries; ++i)
                pen.dashes.append(r.u32(52 + qsizetype(i) * 4));
        }
        // A brush style of BS_NULL makes the pen invisible.
        if (r.u32(36) == 1)
            pen.style = (pen.style & ~0x0Fu) | 5;
        // Cosmetic pens are always one pixel wide.
        if (!(pen.style & 0x10000))
            pen.width = 0;
    } else {
        pen.style = r.u32(12);
        pen.width = r.i32(16);
        pen.colour = m_device.colour(r.u32(24));
    }
    m_device.createObject(r.u32(8), pen);
}

void EmfPlayback::createBrush(const RecordData& r, bool pattern)
{
    GdiBrush brush;
    if (pattern) {
        brush.kind = GdiBrush::Kind::Pattern;
        brush.pattern = bitmapAt(r, 16, 24);
        brush.colour = Qt::black;
    } else {
        const quint32 style = r.u32(12);
        brush.colour = m_device.colour(r.u32(16));
        brush.hatch = int(r.u32(20));
        brush.kind = style == 1 ? GdiBrush::Kind::Null
            : style == 2        ? GdiBrush::Kind::Hatched
                                : GdiBrush::Kind::Solid;
    }
    m_device.createObject(r.u32(8), brush);
}

void EmfPlayback::bitBlt(quint32 type, const RecordData& r)
{
    QRectF dest;
    QRectF source;
    QImage image;
    quint32 rop = 0x00CC0020;
    switch (type) {
    case StretchDiBits:
    case SetDiBitsToDevice: {
        const bool stretch = type == StretchDiBits;
        const QPointF at = pointAt(r, 24);
        const double sourceWidth = r.i32(40);
        const double sourceHeight = r.i32(44);
        image = bitmapAt(r, 48, 56);
        if (image.isNull())
            return;
        double sourceY = r.i32(36);
        // The source rectangle of a bottom-up bitmap counts from its last row.
        if (isBottomUp(r, 48))
            sourceY = image.height() - sourceY - sourceHeight;
        source = QRectF(r.i32(32), sourceY, sourceWidth, sourceHeight);
        dest =
            QRectF(at, stretch ? QSizeF(r.i32(72), r.i32(76)) : QSizeF(sourceWidth, sourceHeight));
        if (stretch)
            rop = r.u32(68);
        break;
    }
    default: {
        dest = QRectF(pointAt(r, 24), QSizeF(r.i32(32), r.i32(36)));
        rop = r.u32(40);
        image = bitmapAt(r, 84, 92);
        const QTransform sourceTransform(
            r.f32(52), r.f32(56), r.f32(60), r.f32(64), r.f32(68), r.f32(72));
        QSizeF sourceSize = dest.size();
        if (type == StretchBlt || type == AlphaBlend || type == TransparentBlt)
            sourceSize = QSizeF(r.i32(100), r.i32(104));
        source = sourceTransform.isInvertible()
            ? sourceTransform.mapRect(QRectF(pointAt(r, 44), sourceSize))
            : QRectF(pointAt(r, 44), sourceSize);
        if (image.isNull()) {
            m_device.patBlt(dest, rop);
            return;
        }
        if (type == MaskBlt) {
            const QImage mask = bitmapAt(r, 112, 120);
            if (!mask.isNull()) {
                // Mask pixels that are set keep the source; the others keep what is there.
                image = image.convertToFormat(QImage::Format_ARGB32);
                const QImage monochrome = mask.convertToFormat(QImage::Format_ARGB32);
                for (int y = 0; y < image.height() && y < monochrome.height(); ++y)
                    for (int x = 0; x < image.width() && x < monochrome.width(); ++x)
                        if ((monochrome.pixel(x, y) & 0xFFFFFF) == 0)
                            image.setPixel(x, y, 0);
                m_device.alphaBlend(dest, image, source, 1);
                return;
            }
        }
        if (type == AlphaBlend) {
            const int constant = (rop >> 16) & 0xFF;
            const bool perPixel = (rop >> 24) & 1;
            // With per-pixel alpha the bitmap is premultiplied already.
            QImage blended =
                image.convertToFormat(perPixel ? QImage::Format_ARGB32 : QImage::Format_RGB32);
            if (perPixel)
                blended.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
            m_device.alphaBlend(dest, blended, source, constant / 255.0);
            return;
        }
        if (type == TransparentBlt) {
            const QRgb transparent = qRgb(r.u8(40), r.u8(41), r.u8(42));
            QImage keyed = image.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < keyed.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
                for (int x = 0; x < keyed.width(); ++x)
                    line[x] = (line[x] & 0xFFFFFF) == (transparent & 0xFFFFFF)
                        ? 0
                        : line[x] | 0xFF000000u;
            }
            m_device.alphaBlend(dest, keyed, source, 1);
            return;
        }
    }
    }
    m_device.drawBitmap(dest, image, source, rop);
}

void EmfPlayback::text(const RecordData& r, bool wide)
{
    const QPointF reference = pointAt(r, 36);
    const quint32 count = r.u32(44);
    const quint32 stringAt = r.u32(48);
    const quint32 options = r.u32(52);
    const QRectF rect = rectAt(r, 56);
    const quint32 advancesAt = r.u32(72);
    if (!r.fits(stringAt, count, wide ? 2 : 1))
        return;
    QString text;
    if (wide) {
        text.resize(count);
        for (quint32 i = 0; i < count; ++i)
            text[i] = QChar(r.u16(stringAt + qsizetype(i) * 2));
    }
    QList<double> advances;
    QList<double> rises;
    // With ETO_PDY the array holds pairs of x and y advances.
    const bool pairs = options & 0x2000;
    if (advancesAt && r.fits(advancesAt, count, pairs ? 8 : 4)) {
        for (quint32 i = 0; i < count; ++i) {
            advances.append(r.i32(advancesAt + qsizetype(i) * (pairs ? 8 : 4)));
            if (pairs)
                rises.append(r.i32(advancesAt + qsizetype(i) * 8 + 4));
        }
    }
    if (!wide)
        text = decodeCharset(
            QByteArray(r.data() + stringAt, count), m_device.fontCharset(), &advances);
    m_device.text(reference, text, advances, options, rect, rises);
}

void EmfPlayback::smallText(const RecordData& r)
{
    const quint32 count = r.u32(16);
    const quint32 options = r.u32(20);
    const bool hasRect = !(options & 0x100);
    const qsizetype textAt = hasRect ? 52 : 36;
    const bool narrow = options & 0x200;
    if (!r.fits(textAt, count, narrow ? 1 : 2))
        return;
    QString text;
    for (quint32 i = 0; i < count; ++i)
        text.append(QChar(narrow ? r.u8(textAt + i) : r.u16(textAt + qsizetype(i) * 2)));
    m_device.text(pointAt(r, 8), text, {}, options & ~0x300u, hasRect ? rectAt(r, 36) : QRectF());
}

void EmfPlayback::gradientFill(const RecordData& r)
{
    const quint32 vertices = r.u32(24);
    const quint32 shapes = r.u32(28);
    const quint32 mode = r.u32(32);
    if (!r.fits(36, vertices, 16))
        return;
    const qsizetype shapesAt = 36 + qsizetype(vertices) * 16;
    auto colourOf = [&](quint32 index) {
        const qsizetype at = 36 + qsizetype(index) * 16;
        return QColor(r.u16(at + 8) >> 8, r.u16(at + 10) >> 8, r.u16(at + 12) >> 8);
    };
    auto pointOf = [&](quint32 index) { return pointAt(r, 36 + qsizetype(index) * 16); };
    const qsizetype shapeSize = mode == 2 ? 12 : 8;
    if (!r.fits(shapesAt, shapes, shapeSize))
        return;
    for (quint32 i = 0; i < shapes; ++i) {
        const qsizetype at = shapesAt + qsizetype(i) * shapeSize;
        const quint32 a = r.u32(at);
        const quint32 b = r.u32(at + 4);
        if (a >= vertices || b >= vertices)
            continue;
        if (mode == 2) {
            const quint32 c = r.u32(at + 8);
            if (c >= vertices)
                continue;
            // Triangles are filled with the mean of their corners' colours.
            const QColor ca = colourOf(a), cb = colourOf(b), cc = colourOf(c);
            GdiBrush brush;
            brush.colour = QColor((ca.red() + cb.red() + cc.red()) / 3,
                (ca.green() + cb.green() + cc.green()) / 3,
                (ca.blue() + cb.blue() + cc.blue()) / 3);
            QPainterPath path;
            path.addPolygon(QPolygonF({ pointOf(a), pointOf(b), pointOf(c) }));
            m_device.fillRegion(path, brush);
        } else {
            m_device.gradientRect(
                QRectF(pointOf(a), pointOf(b)), colourOf(a), colourOf(b), mode == 1);
        }
    }
}

} // namespace

QString playEmf(const QByteArray& records, QImage& image)
{
    const RecordData data(records.constData(), records.size());
    for (qsizetype position = 0; position + 8 <= data.size();) {
        const quint32 size = data.u32(position + 4);
        if (size < 8 || size > data.size() - position
            || !isSound(data.u32(position), data.mid(position, size)))
            return QStringLiteral("The EMF file is damaged");
        position += size;
    }
    QPainter painter(&image);
    EmfPlayback playback(painter, data.mid(0, data.u32(4)));
    playback.play(data);
    return {};
}

bool emfHasText(const QByteArray& records)
{
    const RecordData data(records.constData(), records.size());
    qsizetype position = 0;
    while (position + 8 <= data.size()) {
        const quint32 type = data.u32(position);
        const quint32 size = data.u32(position + 4);
        if (size < 8)
            return false;
        if (type == ExtTextOutA || type == ExtTextOutW || type == SmallTextOut)
            return true;
        // EMF+ records may hold strings.
        if (type == GdiComment && data.u32(position + 12) == 0x2B464D45)
            return true;
        position += size;
    }
    return false;
}
