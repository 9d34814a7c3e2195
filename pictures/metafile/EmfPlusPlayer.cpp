// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/metafile/EmfPlusPlayer.h"

#include "pictures/metafile/EmfPlayer.h"
#include "pictures/metafile/GdiDevice.h"
#include "pictures/metafile/MetafileFonts.h"
#include "pictures/metafile/TypedPath.h"
#include "pictures/metafile/WmfPlayer.h"

#include <QFontMetricsF>
#include <QLinearGradient>

#include <cmath>

namespace {

enum Record : quint16 {
    Header = 0x4001,
    EndOfFile = 0x4002,
    GetDc = 0x4004,
    ObjectRecord = 0x4008,
    Clear = 0x4009,
    FillRects = 0x400A,
    DrawRects = 0x400B,
    FillPolygon = 0x400C,
    DrawLines = 0x400D,
    FillEllipse = 0x400E,
    DrawEllipse = 0x400F,
    FillPie = 0x4010,
    DrawPie = 0x4011,
    DrawArc = 0x4012,
    FillRegion = 0x4013,
    FillPath = 0x4014,
    DrawPath = 0x4015,
    FillClosedCurve = 0x4016,
    DrawClosedCurve = 0x4017,
    DrawCurve = 0x4018,
    DrawBeziers = 0x4019,
    DrawImage = 0x401A,
    DrawImagePoints = 0x401B,
    DrawString = 0x401C,
    Save = 0x4025,
    Restore = 0x4026,
    BeginContainer = 0x4027,
    BeginContainerNoParams = 0x4028,
    EndContainer = 0x4029,
    SetWorldTransform = 0x402A,
    ResetWorldTransform = 0x402B,
    MultiplyWorldTransform = 0x402C,
    TranslateWorldTransform = 0x402D,
    ScaleWorldTransform = 0x402E,
    RotateWorldTransform = 0x402F,
    SetPageTransform = 0x4030,
    ResetClip = 0x4031,
    SetClipRect = 0x4032,
    SetClipPath = 0x4033,
    SetClipRegion = 0x4034,
    OffsetClip = 0x4035,
    DrawDriverString = 0x4036,
};

enum ObjectType {
    BrushObject = 1,
    PenObject,
    PathObject,
    RegionObject,
    ImageObject,
    FontObject,
    FormatObject
};

constexpr quint16 compressed = 0x4000;
constexpr quint16 directColour = 0x8000;
constexpr quint16 appended = 0x2000;
// Counts read from a file are used only when their items are there; this also keeps damaged
// files from asking for huge paths.
constexpr quint32 mostPoints = 1'000'000;

QColor argb(quint32 value) { return QColor::fromRgba(value); }

QRectF rectAt(const RecordData& data, qsizetype at, bool small)
{
    if (small)
        return QRectF(data.i16(at), data.i16(at + 2), data.i16(at + 4), data.i16(at + 6));
    return QRectF(data.f32(at), data.f32(at + 4), data.f32(at + 8), data.f32(at + 12));
}

QPolygonF pointsAt(const RecordData& data, qsizetype at, quint32 count, bool small)
{
    const qsizetype size = small ? 4 : 8;
    if (count > mostPoints || !data.fits(at, count, size))
        return {};
    QPolygonF points;
    points.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        const qsizetype p = at + qsizetype(i) * size;
        points.append(
            small ? QPointF(data.i16(p), data.i16(p + 2)) : QPointF(data.f32(p), data.f32(p + 4)));
    }
    return points;
}

QTransform matrixAt(const RecordData& data, qsizetype at)
{
    return QTransform(data.f32(at), data.f32(at + 4), data.f32(at + 8), data.f32(at + 12),
        data.f32(at + 16), data.f32(at + 20));
}

// A cardinal spline through points as Bézier segments, the way GDI+ draws curves.
QPainterPath curveThrough(const QPolygonF& points, double tension, bool closed)
{
    QPainterPath path;
    const qsizetype n = points.size();
    if (n < 2)
        return path;
    auto at = [&](qsizetype i) {
        if (closed)
            return points[(i % n + n) % n];
        return points[std::clamp<qsizetype>(i, 0, n - 1)];
    };
    const double factor = tension / 3;
    path.moveTo(points[0]);
    const qsizetype segments = closed ? n : n - 1;
    for (qsizetype i = 0; i < segments; ++i) {
        const QPointF c1 = at(i) + (at(i + 1) - at(i - 1)) * factor;
        const QPointF c2 = at(i + 1) - (at(i + 2) - at(i)) * factor;
        path.cubicTo(c1, c2, at(i + 1));
    }
    if (closed)
        path.closeSubpath();
    return path;
}

bool finiteRect(const QRectF& rect)
{
    return std::isfinite(rect.x()) && std::isfinite(rect.y()) && std::isfinite(rect.width())
        && std::isfinite(rect.height());
}

} // namespace

EmfPlusPlayer::EmfPlusPlayer(GdiDevice& device)
    : m_device(device)
{ }

bool EmfPlusPlayer::draws(const RecordData& comment)
{
    qsizetype at = 0;
    while (at + 12 <= comment.size()) {
        const quint16 type = comment.u16(at);
        const quint32 size = comment.u32(at + 4);
        if (size < 12 || size > comment.size() - at)
            return false;
        if ((type >= Clear && type <= DrawString) || type == DrawDriverString)
            return true;
        at += size;
    }
    return false;
}

void EmfPlusPlayer::play(const RecordData& records)
{
    qsizetype at = 0;
    while (at + 12 <= records.size() && !m_device.exhausted()) {
        const quint16 type = records.u16(at);
        const quint16 flags = records.u16(at + 2);
        const quint32 size = records.u32(at + 4);
        const quint32 dataSize = records.u32(at + 8);
        if (size < 12 || size > records.size() - at || dataSize > size - 12)
            return;
        record(type, flags, records.mid(at + 12, dataSize));
        at += size;
    }
}

void EmfPlusPlayer::record(quint16 type, quint16 flags, const RecordData& data)
{
    // Records after GetDc hand the drawing to the GDI records until the next EMF+ record.
    m_drawsInsteadOfGdi = type != GetDc && type != EndOfFile;
    const bool small = flags & compressed;
    switch (type) {
    case Header: {
        const double dpiX = data.u32(8);
        const double dpiY = data.u32(12);
        if (dpiX > 0 && dpiX < 100000 && dpiY > 0 && dpiY < 100000) {
            m_dpiX = dpiX;
            m_dpiY = dpiY;
        }
        break;
    }
    case ObjectRecord:
        object(flags, data);
        break;
    case Clear: {
        QPainterPath all;
        all.addRect(QRectF(QPointF(0, 0), m_device.pictureSize()));
        if (QPainter* painter = m_device.painterFor(QTransform()))
            painter->fillPath(all, argb(data.u32(0)));
        break;
    }
    case FillRects: {
        const quint32 count = data.u32(4);
        if (count > mostPoints || !data.fits(8, count, small ? 8 : 16))
            break;
        QPainterPath path;
        for (quint32 i = 0; i < count; ++i)
            path.addRect(rectAt(data, 8 + qsizetype(i) * (small ? 8 : 16), small));
        fill(path, brushOf(flags & directColour, data.u32(0)));
        break;
    }
    case DrawRects: {
        const quint32 count = data.u32(0);
        if (count > mostPoints || !data.fits(4, count, small ? 8 : 16))
            break;
        QPainterPath path;
        for (quint32 i = 0; i < count; ++i)
            path.addRect(rectAt(data, 4 + qsizetype(i) * (small ? 8 : 16), small));
        stroke(path, flags & 0xFF);
        break;
    }
    case FillPolygon: {
        QPainterPath path;
        path.addPolygon(pointsAt(data, 8, data.u32(4), small));
        path.closeSubpath();
        fill(path, brushOf(flags & directColour, data.u32(0)));
        break;
    }
    case DrawLines: {
        QPainterPath path;
        path.addPolygon(pointsAt(data, 4, data.u32(0), small));
        if (flags & appended)
            path.closeSubpath();
        stroke(path, flags & 0xFF);
        break;
    }
    case FillEllipse:
    case DrawEllipse: {
        QPainterPath path;
        path.addEllipse(rectAt(data, type == FillEllipse ? 4 : 0, small));
        if (type == FillEllipse)
            fill(path, brushOf(flags & directColour, data.u32(0)));
        else
            stroke(path, flags & 0xFF);
        break;
    }
    case FillPie:
    case DrawPie:
    case DrawArc: {
        const qsizetype at = type == FillPie ? 4 : 0;
        const QRectF rect = rectAt(data, at + 8, small);
        // GDI+ angles run clockwise with y down; QPainterPath's counter-clockwise.
        const double start = -data.f32(at);
        const double sweep = -data.f32(at + 4);
        QPainterPath path;
        if (type == DrawArc) {
            path.arcMoveTo(rect, start);
        } else {
            path.moveTo(rect.center());
        }
        path.arcTo(rect, start, sweep);
        if (type == DrawArc) {
            stroke(path, flags & 0xFF);
            break;
        }
        path.closeSubpath();
        if (type == FillPie)
            fill(path, brushOf(flags & directColour, data.u32(0)));
        else
            stroke(path, flags & 0xFF);
        break;
    }
    case FillRegion:
        if (const auto* region = std::get_if<QRegion>(objectAt(flags & 0xFF))) {
            QPainterPath path;
            path.addRegion(*region);
            QPainter* painter = m_device.painterFor(QTransform());
            if (painter)
                painter->fillPath(path, brushOf(flags & directColour, data.u32(0)));
        }
        break;
    case FillPath:
        if (const auto* path = std::get_if<QPainterPath>(objectAt(flags & 0xFF)))
            fill(*path, brushOf(flags & directColour, data.u32(0)));
        break;
    case DrawPath:
        if (const auto* path = std::get_if<QPainterPath>(objectAt(flags & 0xFF)))
            stroke(*path, data.u32(0));
        break;
    case FillClosedCurve: {
        QPainterPath path = curveThrough(pointsAt(data, 12, data.u32(8), small), data.f32(4), true);
        path.setFillRule(flags & appended ? Qt::WindingFill : Qt::OddEvenFill);
        fill(path, brushOf(flags & directColour, data.u32(0)));
        break;
    }
    case DrawClosedCurve:
        stroke(
            curveThrough(pointsAt(data, 8, data.u32(4), small), data.f32(0), true), flags & 0xFF);
        break;
    case DrawCurve:
        stroke(curveThrough(pointsAt(data, 16, data.u32(12), small), data.f32(0), false),
            flags & 0xFF);
        break;
    case DrawBeziers: {
        const QPolygonF points = pointsAt(data, 4, data.u32(0), small);
        if (points.isEmpty())
            break;
        QPainterPath path(points.first());
        for (qsizetype i = 1; i + 2 < points.size(); i += 3)
            path.cubicTo(points[i], points[i + 1], points[i + 2]);
        stroke(path, flags & 0xFF);
        break;
    }
    case DrawImage: {
        const QRectF source = rectAt(data, 8, false);
        const QRectF dest = rectAt(data, 24, small);
        drawImage(flags & 0xFF, source,
            QPolygonF({ dest.topLeft(), dest.topRight(), dest.bottomLeft() }));
        break;
    }
    case DrawImagePoints:
        drawImage(flags & 0xFF, rectAt(data, 8, false),
            pointsAt(data, 28, std::min(data.u32(24), 3u), small));
        break;
    case DrawString:
        drawString(flags, data);
        break;
    case DrawDriverString:
        drawDriverString(flags, data);
        break;
    case Save:
    case BeginContainerNoParams:
        if (m_saved.size() < 4096)
            m_saved[data.u32(0)] = State { m_world, m_device.clip() };
        break;
    case BeginContainer: {
        if (m_saved.size() < 4096)
            m_saved[data.u32(32)] = State { m_world, m_device.clip() };
        const QRectF dest = rectAt(data, 0, false);
        const QRectF source = rectAt(data, 16, false);
        if (source.width() != 0 && source.height() != 0 && finiteRect(dest) && finiteRect(source)) {
            const double scale = unitScale(flags & 0xFF) / unitScale(m_pageUnit);
            const QTransform container = QTransform::fromTranslate(-source.left(), -source.top())
                * QTransform::fromScale(
                    dest.width() / source.width() * scale, dest.height() / source.height() * scale)
                * QTransform::fromTranslate(dest.left(), dest.top());
            m_world = container * m_world;
        }
        break;
    }
    case Restore:
    case EndContainer: {
        const auto saved = m_saved.find(data.u32(0));
        if (saved == m_saved.end())
            break;
        m_world = saved->second.world;
        m_device.setClip(saved->second.clip);
        m_saved.erase(saved, m_saved.end());
        break;
    }
    case SetWorldTransform:
        m_world = matrixAt(data, 0);
        break;
    case ResetWorldTransform:
        m_world = QTransform();
        break;
    case MultiplyWorldTransform:
    case TranslateWorldTransform:
    case ScaleWorldTransform:
    case RotateWorldTransform: {
        QTransform change;
        if (type == MultiplyWorldTransform)
            change = matrixAt(data, 0);
        else if (type == TranslateWorldTransform)
            change = QTransform::fromTranslate(data.f32(0), data.f32(4));
        else if (type == ScaleWorldTransform)
            change = QTransform::fromScale(data.f32(0), data.f32(4));
        else
            change.rotate(data.f32(0));
        m_world = flags & appended ? m_world * change : change * m_world;
        break;
    }
    case SetPageTransform:
        m_pageUnit = flags & 0xFF;
        m_pageScale = std::isfinite(data.f32(0)) && data.f32(0) > 0 ? data.f32(0) : 1;
        break;
    case ResetClip:
        m_device.setClip(std::nullopt);
        break;
    case SetClipRect: {
        QPainterPath path;
        path.addRect(rectAt(data, 0, false));
        combineClip(path, (flags >> 8) & 0xF);
        break;
    }
    case SetClipPath:
        if (const auto* path = std::get_if<QPainterPath>(objectAt(flags & 0xFF)))
            combineClip(*path, (flags >> 8) & 0xF);
        break;
    case SetClipRegion:
        if (const auto* region = std::get_if<QRegion>(objectAt(flags & 0xFF)))
            combineClip(*region, (flags >> 8) & 0xF);
        break;
    case OffsetClip: {
        const QTransform t = transform();
        m_device.offsetPictureClip(t.map(QPointF(data.f32(0), data.f32(4))) - t.map(QPointF(0, 0)));
        break;
    }
    default:
        break;
    }
}

double EmfPlusPlayer::emInWorld(const Font& font) const
{
    // Sizes in pixels count as world units, as GDI+ draws them; physical units go through the
    // page transform.
    if (font.unit <= 2)
        return font.emSize;
    return font.emSize * unitScale(font.unit) / unitScale(m_pageUnit) / m_pageScale;
}

double EmfPlusPlayer::unitScale(int unit) const
{
    switch (unit) {
    case 3: // point
        return m_dpiX / 72;
    case 4: // inch
        return m_dpiX;
    case 5: // document, 1/300 inch
        return m_dpiX / 300;
    case 6: // millimetre
        return m_dpiX / 25.4;
    default: // world, display, pixel
        return 1;
    }
}

QTransform EmfPlusPlayer::transform() const
{
    const double scale = unitScale(m_pageUnit) * m_pageScale;
    return m_world * QTransform::fromScale(scale, scale * m_dpiY / m_dpiX)
        * m_device.deviceToPicture();
}

const EmfPlusPlayer::Object* EmfPlusPlayer::objectAt(quint32 id) const
{
    const auto found = m_objects.find(id);
    return found == m_objects.end() ? nullptr : &found->second;
}

void EmfPlusPlayer::object(quint16 flags, const RecordData& data)
{
    const quint32 id = flags & 0xFF;
    const int type = (flags >> 8) & 0x7F;
    if (flags & 0x8000) {
        // A piece of a large object: the first four bytes give its whole size.
        if (m_continued.isEmpty() || m_continuedFlags != (flags & 0x7FFF)) {
            m_continued.clear();
            m_continuedFlags = flags & 0x7FFF;
            m_continuedTotal = data.u32(0);
        }
        m_continued.append(data.data() + 4, std::max<qsizetype>(0, data.size() - 4));
        if (quint32(m_continued.size()) < m_continuedTotal
            && m_continued.size() < 256 * 1024 * 1024)
            return;
        const QByteArray whole = std::move(m_continued);
        m_continued.clear();
        m_objects[id] = readObject(type, RecordData(whole.constData(), whole.size()));
        return;
    }
    if (!m_continued.isEmpty() && m_continuedFlags == (flags & 0x7FFF)) {
        // The last piece of a large object comes without the continuation flag.
        m_continued.append(data.data(), data.size());
        const QByteArray whole = std::move(m_continued);
        m_continued.clear();
        m_objects[id] = readObject(type, RecordData(whole.constData(), whole.size()));
        return;
    }
    m_objects[id] = readObject(type, data);
}

EmfPlusPlayer::Object EmfPlusPlayer::readObject(int type, const RecordData& data) const
{
    switch (type) {
    case BrushObject:
        return readBrush(data);
    case PenObject:
        return readPen(data);
    case PathObject:
        return readPath(data);
    case RegionObject:
        return readRegion(data);
    case ImageObject:
        if (data.u32(4) == 2)
            return Metafile { QByteArray(data.data() + 16,
                std::clamp<qsizetype>(data.u32(12), 0, std::max<qsizetype>(0, data.size() - 16))) };
        return readImage(data);
    case FontObject: {
        Font font;
        font.emSize = data.f32(4);
        font.unit = int(data.u32(8));
        font.style = data.i32(12);
        const quint32 length = data.u32(20);
        if (data.fits(24, length, 2)) {
            for (quint32 i = 0; i < length; ++i)
                font.family.append(QChar(data.u16(24 + qsizetype(i) * 2)));
        }
        return font;
    }
    case FormatObject:
        return Format { int(data.u32(12)), int(data.u32(16)) };
    default:
        return std::monostate {};
    }
}

QBrush EmfPlusPlayer::readBrush(const RecordData& data) const
{
    switch (data.u32(4)) {
    case 0:
        return argb(data.u32(8));
    case 1:
        return QBrush(argb(data.u32(12)), Qt::DiagCrossPattern);
    case 4: {
        // Along the rectangle's width, then through the brush's own transform, if any.
        const quint32 flags = data.u32(8);
        const quint32 wrap = data.u32(12);
        const QRectF rect = rectAt(data, 16, false);
        QLinearGradient gradient(rect.topLeft(), rect.topRight());
        gradient.setColorAt(0, argb(data.u32(32)));
        gradient.setColorAt(1, argb(data.u32(36)));
        gradient.setSpread(wrap == 4 ? QGradient::PadSpread
                : wrap == 0          ? QGradient::RepeatSpread
                                     : QGradient::ReflectSpread);
        QBrush brush(gradient);
        if (flags & 0x02)
            brush.setTransform(matrixAt(data, 48));
        return brush;
    }
    case 2: {
        // A texture: flags, wrap mode, an optional transform, then the image.
        const quint32 flags = data.u32(8);
        const QImage image = readImage(data.mid(flags & 0x02 ? 40 : 16));
        if (image.isNull())
            return QColor(Qt::gray);
        QBrush brush(image);
        if (flags & 0x02)
            brush.setTransform(matrixAt(data, 16));
        return brush;
    }
    case 3:
        // Path gradients are drawn in their centre colour.
        return argb(data.u32(12));
    default:
        return QColor(Qt::gray);
    }
}

QPen EmfPlusPlayer::readPen(const RecordData& data) const
{
    const quint32 penFlags = data.u32(8);
    const int unit = int(data.u32(12));
    const double width = data.f32(16);
    qsizetype at = 20;
    QPen pen;
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    if (penFlags & 0x01)
        at += 24;
    if (penFlags & 0x02) {
        const qint32 cap = data.i32(at);
        pen.setCapStyle(cap == 2 ? Qt::RoundCap : cap == 1 ? Qt::SquareCap : Qt::FlatCap);
        at += 4;
    }
    if (penFlags & 0x04)
        at += 4;
    if (penFlags & 0x08) {
        const quint32 join = data.u32(at);
        pen.setJoinStyle(join == 2 ? Qt::RoundJoin : join == 1 ? Qt::BevelJoin : Qt::MiterJoin);
        at += 4;
    }
    if (penFlags & 0x10) {
        pen.setMiterLimit(std::clamp<double>(data.f32(at), 1, 100));
        at += 4;
    }
    if (penFlags & 0x20) {
        static constexpr Qt::PenStyle styles[] = { Qt::SolidLine, Qt::DashLine, Qt::DotLine,
            Qt::DashDotLine, Qt::DashDotDotLine };
        const quint32 style = data.u32(at);
        if (style < 5)
            pen.setStyle(styles[style]);
        at += 4;
    }
    if (penFlags & 0x40)
        at += 4;
    if (penFlags & 0x80)
        at += 4;
    if (penFlags & 0x100) {
        const quint32 count = data.u32(at);
        if (count > 0 && count <= 64 && data.fits(at + 4, count, 4)) {
            QList<qreal> dashes;
            for (quint32 i = 0; i < count; ++i)
                dashes.append(std::clamp<double>(data.f32(at + 4 + qsizetype(i) * 4), 0.01, 1000));
            if (dashes.size() % 2)
                dashes.append(dashes.last());
            pen.setDashPattern(dashes);
        }
        at += 4 + qsizetype(std::min<quint32>(count, 1 << 20)) * 4;
    }
    if (penFlags & 0x200)
        at += 4;
    if (penFlags & 0x400)
        at += 4 + qsizetype(std::min<quint32>(data.u32(at), 1 << 20)) * 4;
    if (penFlags & 0x800)
        at += 4 + qsizetype(std::min<quint32>(data.u32(at), 1 << 24));
    if (penFlags & 0x1000)
        at += 4 + qsizetype(std::min<quint32>(data.u32(at), 1 << 24));
    pen.setBrush(readBrush(data.mid(at)));
    // The width is in the pen's unit; world units scale with the drawing.
    pen.setWidthF(std::isfinite(width) && width > 0 ? width * unitScale(unit) / unitScale(0) : 0);
    return pen;
}

QPainterPath EmfPlusPlayer::readPath(const RecordData& data) const
{
    const quint32 count = data.u32(4);
    const quint32 pathFlags = data.u32(8);
    const bool small = pathFlags & 0x4000;
    if (pathFlags & 0x0800)
        return {};
    const QPolygonF points = pointsAt(data, 12, count, small);
    const qsizetype typesAt = 12 + qsizetype(points.size()) * (small ? 4 : 8);
    QPainterPath path;
    if (points.isEmpty() || !data.fits(typesAt, points.size()))
        return path;
    // Start 0, Bézier 3, close 0x80.
    addTypedPoints(path, points, data.mid(typesAt, points.size()), { 7, 0, 3, 0x80 });
    return path;
}

std::optional<QPainterPath> EmfPlusPlayer::regionNode(
    const RecordData& data, qsizetype& at, int depth) const
{
    if (depth > 64 || at + 4 > data.size())
        return std::nullopt;
    const quint32 type = data.u32(at);
    at += 4;
    QPainterPath path;
    switch (type) {
    case 0x10000000:
        path.addRect(rectAt(data, at, false));
        at += 16;
        return path;
    case 0x10000001: {
        const quint32 length = data.u32(at);
        if (!data.fits(at + 4, length))
            return std::nullopt;
        path = readPath(data.mid(at + 4, length));
        at += 4 + length;
        return path;
    }
    case 0x10000002:
        return path;
    case 0x10000003:
        path.addRect(QRectF(-1e6, -1e6, 2e6, 2e6));
        return path;
    default: {
        const auto left = regionNode(data, at, depth + 1);
        const auto right = left ? regionNode(data, at, depth + 1) : std::nullopt;
        if (!left || !right)
            return std::nullopt;
        switch (type) {
        case 1:
            return left->intersected(*right);
        case 2:
            return left->united(*right);
        case 3:
            return left->united(*right).subtracted(left->intersected(*right));
        case 4:
            return left->subtracted(*right);
        case 5:
            return right->subtracted(*left);
        default:
            return std::nullopt;
        }
    }
    }
}

QRegion EmfPlusPlayer::readRegion(const RecordData& data) const
{
    qsizetype at = 8;
    const auto path = regionNode(data, at, 0);
    if (!path)
        return {};
    // Regions are kept in the picture's pixels, as the transform was when they were made.
    return GdiDevice::regionOf(transform().map(*path), m_device.pictureSize());
}

QImage EmfPlusPlayer::readImage(const RecordData& data) const
{
    if (data.u32(4) != 1)
        return {};
    const qint32 width = data.i32(8);
    const qint32 height = data.i32(12);
    const qint32 stride = data.i32(16);
    const quint32 format = data.u32(20);
    const RecordData pixels = data.mid(28);
    if (data.u32(24) == 1)
        return QImage::fromData(QByteArray::fromRawData(pixels.data(), pixels.size()));
    if (width <= 0 || height <= 0 || stride <= 0 || qint64(width) * height > 64LL * 1024 * 1024
        || !pixels.fits(0, height, stride))
        return {};
    QImage::Format qformat = QImage::Format_Invalid;
    switch (format) {
    case 0x0026200A:
        qformat = QImage::Format_ARGB32;
        break;
    case 0x000E200B:
        qformat = QImage::Format_ARGB32_Premultiplied;
        break;
    case 0x00022009:
        qformat = QImage::Format_RGB32;
        break;
    case 0x00021808:
        qformat = QImage::Format_BGR888;
        break;
    default:
        return {};
    }
    if (qint64(stride) < qint64(width) * (qformat == QImage::Format_BGR888 ? 3 : 4))
        return {};
    return QImage(reinterpret_cast<const uchar*>(pixels.data()), width, height, stride, qformat)
        .copy();
}

QBrush EmfPlusPlayer::brushOf(bool direct, quint32 value) const
{
    if (direct)
        return argb(value);
    if (const auto* brush = std::get_if<QBrush>(objectAt(value)))
        return *brush;
    return Qt::NoBrush;
}

void EmfPlusPlayer::combineClip(const QPainterPath& worldPath, int mode)
{
    combineClip(GdiDevice::regionOf(transform().map(worldPath), m_device.pictureSize()), mode);
}

void EmfPlusPlayer::combineClip(const QRegion& region, int mode)
{
    const QRegion whole(QRect(QPoint(0, 0), m_device.pictureSize()));
    const QRegion current = m_device.clip().value_or(whole);
    switch (mode) {
    case 0:
        m_device.setClip(region);
        break;
    case 1:
        m_device.setClip(current & region);
        break;
    case 2:
        m_device.setClip(current | region);
        break;
    case 3:
        m_device.setClip(current ^ region);
        break;
    case 4:
        m_device.setClip(current - region);
        break;
    case 5:
        m_device.setClip(region - current);
        break;
    default:
        break;
    }
}

void EmfPlusPlayer::fill(const QPainterPath& path, const QBrush& brush)
{
    if (brush.style() == Qt::NoBrush || path.isEmpty())
        return;
    if (QPainter* painter = m_device.painterFor(transform()))
        painter->fillPath(path, brush);
}

void EmfPlusPlayer::stroke(const QPainterPath& path, quint32 penId)
{
    const auto* found = std::get_if<QPen>(objectAt(penId));
    if (!found || path.isEmpty())
        return;
    const QTransform t = transform();
    QPen pen = *found;
    // Pens thinner than a pixel of the picture are drawn one pixel wide.
    if (pen.widthF() * std::sqrt(std::abs(t.determinant())) < 1) {
        pen.setWidthF(0);
        pen.setCosmetic(true);
    }
    if (QPainter* painter = m_device.painterFor(t))
        painter->strokePath(path, pen);
}

void EmfPlusPlayer::drawImage(
    quint32 imageId, const QRectF& givenSource, const QPolygonF& destination)
{
    QRectF source = givenSource;
    const QImage* image = std::get_if<QImage>(objectAt(imageId));
    QImage played;
    if (const auto* metafile = std::get_if<Metafile>(objectAt(imageId));
        metafile && destination.size() == 3) {
        played = playMetafile(metafile->data, destination);
        image = &played;
        source = QRectF(played.rect());
    }
    if (!image || image->isNull() || destination.size() != 3 || !finiteRect(source)
        || source.width() == 0 || source.height() == 0)
        return;
    // The source rectangle's corners go to the three destination points.
    const QPointF origin = destination[0];
    const QPointF xAxis = (destination[1] - origin) / source.width();
    const QPointF yAxis = (destination[2] - origin) / source.height();
    const QTransform placement = QTransform::fromTranslate(-source.left(), -source.top())
        * QTransform(xAxis.x(), xAxis.y(), yAxis.x(), yAxis.y(), origin.x(), origin.y());
    if (QPainter* painter = m_device.painterFor(placement * transform()))
        painter->drawImage(source, *image, source);
}

QImage EmfPlusPlayer::playMetafile(const QByteArray& data, const QPolygonF& destination) const
{
    // Pictures inside pictures are drawn at the size they are shown at, to a limited depth.
    static int depth = 0;
    const QTransform t = transform();
    const QSizeF size(QLineF(t.map(destination[0]), t.map(destination[1])).length(),
        QLineF(t.map(destination[0]), t.map(destination[2])).length());
    if (depth >= 4 || !(size.width() >= 1) || !(size.height() >= 1) || size.width() > 4096
        || size.height() > 4096)
        return {};
    QImage image(size.toSize(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    QByteArray records = data;
    // Placeable WMF pictures inside EMF+ files come with two bytes of padding after the
    // placeable header.
    if (records.startsWith("\xD7\xCD\xC6\x9A") && records.size() > 26
        && records.mid(22, 2) != QByteArray("\x01\x00", 2)
        && records.mid(24, 2) == QByteArray("\x01\x00", 2))
        records.remove(22, 2);
    ++depth;
    const RecordData check(records.constData(), records.size());
    if (check.u32(0) == 1 && check.u32(40) == 0x464D4520)
        playEmf(records, image);
    else
        playWmf(records, image);
    --depth;
    return image;
}

void EmfPlusPlayer::drawString(quint16 flags, const RecordData& data)
{
    const auto* font = std::get_if<Font>(objectAt(flags & 0xFF));
    const quint32 length = data.u32(8);
    if (!font || !data.fits(28, length, 2))
        return;
    QString text;
    for (quint32 i = 0; i < length; ++i)
        text.append(QChar(data.u16(28 + qsizetype(i) * 2)));
    const QRectF layout = rectAt(data, 12, false);
    Format format;
    if (const auto* found = std::get_if<Format>(objectAt(data.u32(4))))
        format = *found;
    const QBrush brush = brushOf(flags & directColour, data.u32(0));

    // The font's em in world units, drawn in a transform without the world's scale so that
    // glyphs are laid out at the size they are seen.
    const double em = emInWorld(*font);
    const QTransform t = transform();
    const double scale = std::sqrt(std::abs(t.determinant()));
    const double pixels = em * scale;
    if (!std::isfinite(pixels) || pixels < 0.5 || pixels > 20000 || !finiteRect(layout))
        return;
    QFont qfont(substituteFamilies(font->family));
    qfont.setPixelSize(std::max(1, int(std::lround(pixels))));
    qfont.setBold(font->style & 1);
    qfont.setItalic(font->style & 2);
    qfont.setUnderline(font->style & 4);
    qfont.setStrikeOut(font->style & 8);
    const QTransform unscaled = QTransform::fromScale(1 / scale, 1 / scale) * t;
    QPainter* painter = m_device.painterFor(unscaled);
    if (!painter)
        return;
    const QRectF box(layout.topLeft() * scale, layout.size() * scale);
    int alignment = format.alignment == 1 ? Qt::AlignHCenter
        : format.alignment == 2           ? Qt::AlignRight
                                          : Qt::AlignLeft;
    alignment |= format.lineAlignment == 1 ? Qt::AlignVCenter
        : format.lineAlignment == 2        ? Qt::AlignBottom
                                           : Qt::AlignTop;
    painter->setFont(qfont);
    painter->setPen(QPen(brush, 0));
    if (!GdiDevice::textFits(painter->transform(), qfont.pixelSize()))
        return;
    if (box.width() > 0 && box.height() > 0)
        painter->drawText(box, alignment | Qt::TextWordWrap, text);
    else
        painter->drawText(QPointF(box.left(), box.top() + QFontMetricsF(qfont).ascent()), text);
}

void EmfPlusPlayer::drawDriverString(quint16 flags, const RecordData& data)
{
    const auto* font = std::get_if<Font>(objectAt(flags & 0xFF));
    const quint32 options = data.u32(4);
    const quint32 count = data.u32(12);
    if (!font || !(options & 1) || !data.fits(16, count, 10))
        return;
    const QBrush brush = brushOf(flags & directColour, data.u32(0));
    const qsizetype positionsAt = 16 + qsizetype(count) * 2;
    const double em = emInWorld(*font);
    const QTransform t = transform();
    const double scale = std::sqrt(std::abs(t.determinant()));
    const double pixels = em * scale;
    if (!std::isfinite(pixels) || pixels < 0.5 || pixels > 20000)
        return;
    QFont qfont(substituteFamilies(font->family));
    qfont.setPixelSize(std::max(1, int(std::lround(pixels))));
    qfont.setBold(font->style & 1);
    qfont.setItalic(font->style & 2);
    QPainter* painter = m_device.painterFor(QTransform::fromScale(1 / scale, 1 / scale) * t);
    if (!painter)
        return;
    painter->setFont(qfont);
    painter->setPen(QPen(brush, 0));
    if (!GdiDevice::textFits(painter->transform(), qfont.pixelSize()))
        return;
    // With the realised-advance option only the first position is given.
    const bool advancing = options & 4;
    QPointF position(data.f32(positionsAt), data.f32(positionsAt + 4));
    const QFontMetricsF metrics(qfont);
    for (quint32 i = 0; i < count; ++i) {
        const QString glyph(QChar(data.u16(16 + qsizetype(i) * 2)));
        if (!advancing)
            position = QPointF(data.f32(positionsAt + qsizetype(i) * 8),
                data.f32(positionsAt + qsizetype(i) * 8 + 4));
        painter->drawText(position * scale, glyph);
        if (advancing)
            position.rx() += metrics.horizontalAdvance(glyph) / scale;
    }
}
