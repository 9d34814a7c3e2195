// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/metafile/GdiDevice.h"

#include "pictures/metafile/MetafileFonts.h"

#include <QFontMetricsF>
#include <QLinearGradient>

#include <cmath>

namespace {

constexpr quint32 penStyleMask = 0x0F;
constexpr quint32 penNull = 5;
constexpr quint32 penUserStyle = 7;
constexpr quint32 penAlternate = 8;
constexpr quint32 penEndCapMask = 0x0F00;
constexpr quint32 penJoinMask = 0xF000;
constexpr quint32 textUpdateCurrent = 1;
constexpr quint32 textOpaque = 2;
constexpr quint32 textClipped = 4;

// Logical units per millimetre of the fixed mapping modes.
double unitsPerMillimetre(int mode)
{
    switch (mode) {
    case 2:
        return 10.0;
    case 3:
        return 100.0;
    case 4:
        return 100.0 / 25.4;
    case 5:
        return 1000.0 / 25.4;
    case 6:
        return 1440.0 / 25.4;
    default:
        return 0;
    }
}

Qt::BrushStyle hatchStyle(int hatch)
{
    switch (hatch) {
    case 0:
        return Qt::HorPattern;
    case 1:
        return Qt::VerPattern;
    case 2:
        return Qt::FDiagPattern;
    case 3:
        return Qt::BDiagPattern;
    case 4:
        return Qt::CrossPattern;
    default:
        return Qt::DiagCrossPattern;
    }
}

bool finite(const QTransform& transform)
{
    return std::isfinite(transform.m11()) && std::isfinite(transform.m12())
        && std::isfinite(transform.m21()) && std::isfinite(transform.m22())
        && std::isfinite(transform.dx()) && std::isfinite(transform.dy())
        && std::isfinite(transform.m13()) && std::isfinite(transform.m23())
        && std::isfinite(transform.m33());
}

// Whether a picture-space path is sane enough to draw: huge coordinates from damaged files make
// the rasteriser slow or unstable.
bool drawable(const QRectF& bounds)
{
    constexpr double far = 1e7;
    return std::isfinite(bounds.left()) && std::isfinite(bounds.top())
        && std::isfinite(bounds.right()) && std::isfinite(bounds.bottom())
        && std::abs(bounds.left()) < far && std::abs(bounds.top()) < far
        && std::abs(bounds.right()) < far && std::abs(bounds.bottom()) < far;
}

bool isAxisAlignedRectangle(const QPainterPath& path, const QTransform& transform)
{
    if (path.elementCount() != 5 || transform.m12() != 0 || transform.m21() != 0)
        return false;
    for (int i = 0; i < 4; ++i) {
        const QPainterPath::Element a = path.elementAt(i);
        const QPainterPath::Element b = path.elementAt(i + 1);
        if (!b.isLineTo() || (a.x != b.x && a.y != b.y))
            return false;
    }
    return true;
}

} // namespace

GdiDevice::GdiDevice(QPainter& painter, Kind kind, const QRectF& frame, QSizeF pixelsPerMillimetre)
    : m_painter(painter)
    , m_kind(kind)
    , m_frame(frame)
    , m_pixelsPerMillimetre(pixelsPerMillimetre)
{
    const QRectF picture(
        QPointF(0, 0), QSizeF(painter.device()->width(), painter.device()->height()));
    m_deviceToPicture = QTransform::fromTranslate(-frame.left(), -frame.top())
        * QTransform::fromScale(picture.width() / frame.width(), picture.height() / frame.height());
    if (kind == Kind::Wmf) {
        // A WMF's window maps onto the frame unless the file sets a viewport of its own.
        m_state.mapMode = 8;
        m_state.windowOrigin = frame.topLeft();
        m_state.windowExtent = frame.size();
        m_state.viewportOrigin = frame.topLeft();
        m_state.viewportExtent = frame.size();
    }
    m_painter.setRenderHints(
        QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
}

void GdiDevice::createObject(quint32 index, GdiObject object)
{
    if (index >= quint32(tableLimit))
        return;
    if (index >= m_objects.size())
        m_objects.resize(index + 1);
    m_objects[index] = std::move(object);
}

void GdiDevice::createObjectInFreeSlot(GdiObject object)
{
    const auto free = std::find_if(m_objects.begin(), m_objects.end(),
        [](const GdiObject& slot) { return std::holds_alternative<std::monostate>(slot); });
    createObject(quint32(free - m_objects.begin()), std::move(object));
}

const GdiObject* GdiDevice::object(quint32 index) const
{
    return index < m_objects.size() ? &m_objects[index] : nullptr;
}

void GdiDevice::selectObject(quint32 index)
{
    if (index & 0x80000000u) {
        selectStockObject(index & 0x7FFFFFFFu);
        return;
    }
    const GdiObject* selected = object(index);
    if (!selected)
        return;
    if (const auto* pen = std::get_if<GdiPen>(selected))
        m_state.pen = *pen;
    else if (const auto* brush = std::get_if<GdiBrush>(selected))
        m_state.brush = *brush;
    else if (const auto* font = std::get_if<GdiFont>(selected))
        m_state.font = *font;
    else if (const auto* palette = std::get_if<GdiPalette>(selected))
        m_state.palette = *palette;
    else if (const auto* region = std::get_if<GdiRegion>(selected))
        selectClipRegionLogical(region->path, 5);
}

void GdiDevice::selectStockObject(quint32 stock)
{
    switch (stock) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4: {
        static constexpr int greys[] = { 255, 192, 128, 64, 0 };
        m_state.brush = GdiBrush { GdiBrush::Kind::Solid,
            QColor(greys[stock], greys[stock], greys[stock]), 0, {} };
        break;
    }
    case 5:
        m_state.brush.kind = GdiBrush::Kind::Null;
        break;
    case 6:
        m_state.pen = GdiPen { 0, 0, Qt::white, {} };
        break;
    case 7:
        m_state.pen = GdiPen { 0, 0, Qt::black, {} };
        break;
    case 8:
        m_state.pen = GdiPen { penNull, 0, Qt::black, {} };
        break;
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
    case 16:
    case 17:
        m_state.font = GdiFont {};
        break;
    default:
        break;
    }
}

QColor GdiDevice::colour(quint32 reference) const
{
    if ((reference >> 24) == 1) {
        const quint32 index = reference & 0xFFFF;
        if (index < quint32(m_state.palette.size()))
            return QColor(m_state.palette[index]);
        return Qt::black;
    }
    return QColor(reference & 0xFF, (reference >> 8) & 0xFF, (reference >> 16) & 0xFF);
}

void GdiDevice::deleteObject(quint32 index)
{
    if (index < m_objects.size())
        m_objects[index] = std::monostate {};
}

void GdiDevice::saveDc()
{
    // Files that save without restoring must not grow the stack without end.
    if (m_saved.size() < 4096)
        m_saved.push_back(m_state);
}

void GdiDevice::restoreDc(int which)
{
    // Negative: relative to the latest saved state; positive: the n-th saved state.
    qsizetype keep = which < 0 ? qsizetype(m_saved.size()) + which : which - 1;
    if (keep < 0 || keep >= qsizetype(m_saved.size()))
        return;
    m_state = m_saved[size_t(keep)];
    m_saved.resize(size_t(keep));
    m_clipDirty = true;
}

void GdiDevice::setMapMode(int mode)
{
    // A WMF's window is always mapped onto the frame, stretched or, when isotropic, kept square.
    if (m_kind == Kind::Wmf)
        m_state.mapMode = mode == 7 ? 7 : 8;
    else
        m_state.mapMode = mode;
}

void GdiDevice::setWindowOrigin(QPointF origin) { m_state.windowOrigin = origin; }

void GdiDevice::setWindowExtent(QSizeF extent)
{
    if (extent.width() != 0 && extent.height() != 0)
        m_state.windowExtent = extent;
}

void GdiDevice::setViewportOrigin(QPointF origin) { m_state.viewportOrigin = origin; }

void GdiDevice::setViewportExtent(QSizeF extent)
{
    if (extent.width() != 0 && extent.height() != 0)
        m_state.viewportExtent = extent;
}

void GdiDevice::offsetWindowOrigin(QPointF offset) { m_state.windowOrigin += offset; }

void GdiDevice::offsetViewportOrigin(QPointF offset) { m_state.viewportOrigin += offset; }

void GdiDevice::scaleWindowExtent(
    double xNumerator, double xDenominator, double yNumerator, double yDenominator)
{
    if (xDenominator != 0 && yDenominator != 0)
        setWindowExtent(QSizeF(m_state.windowExtent.width() * xNumerator / xDenominator,
            m_state.windowExtent.height() * yNumerator / yDenominator));
}

void GdiDevice::scaleViewportExtent(
    double xNumerator, double xDenominator, double yNumerator, double yDenominator)
{
    if (xDenominator != 0 && yDenominator != 0)
        setViewportExtent(QSizeF(m_state.viewportExtent.width() * xNumerator / xDenominator,
            m_state.viewportExtent.height() * yNumerator / yDenominator));
}

void GdiDevice::setWorldTransform(const QTransform& transform)
{
    if (finite(transform) && transform.isInvertible())
        m_state.world = transform;
}

void GdiDevice::modifyWorldTransform(const QTransform& transform, int mode)
{
    switch (mode) {
    case 1:
        m_state.world = QTransform();
        break;
    case 2:
        setWorldTransform(transform * m_state.world);
        break;
    case 3:
        setWorldTransform(m_state.world * transform);
        break;
    case 4:
        setWorldTransform(transform);
        break;
    default:
        break;
    }
}

QTransform GdiDevice::pageTransform() const
{
    const State& s = m_state;
    double xScale = 1;
    double yScale = 1;
    if (const double units = unitsPerMillimetre(s.mapMode); units > 0) {
        xScale = m_pixelsPerMillimetre.width() / units;
        yScale = -m_pixelsPerMillimetre.height() / units;
    } else if (s.mapMode == 7 || s.mapMode == 8) {
        xScale = s.viewportExtent.width() / s.windowExtent.width();
        yScale = s.viewportExtent.height() / s.windowExtent.height();
        if (s.mapMode == 7) {
            const double scale = std::min(std::abs(xScale), std::abs(yScale));
            xScale = std::copysign(scale, xScale);
            yScale = std::copysign(scale, yScale);
        }
    }
    return QTransform::fromTranslate(-s.windowOrigin.x(), -s.windowOrigin.y())
        * QTransform::fromScale(xScale, yScale)
        * QTransform::fromTranslate(s.viewportOrigin.x(), s.viewportOrigin.y());
}

QTransform GdiDevice::logicalToPicture() const
{
    return m_state.world * pageTransform() * m_deviceToPicture;
}

void GdiDevice::setTextJustification(double extra, int breaks)
{
    m_justification = breaks > 0 ? extra / breaks : 0;
}

QPainterPath GdiDevice::toPicture(const QPainterPath& logical) const
{
    return logicalToPicture().map(logical);
}

void GdiDevice::combineClip(const QPainterPath& picturePath, int mode, bool reset)
{
    m_clipDirty = true;
    if (reset) {
        m_state.clip.reset();
        return;
    }
    const QRegion region = regionOf(picturePath, pictureSize());
    const QRegion whole(0, 0, m_painter.device()->width(), m_painter.device()->height());
    const QRegion current = m_state.clip.value_or(whole);
    switch (mode) {
    case 1:
        m_state.clip = current & region;
        break;
    case 2:
        m_state.clip = m_state.clip ? current | region : whole;
        break;
    case 3:
        m_state.clip = current ^ region;
        break;
    case 4:
        m_state.clip = current - region;
        break;
    case 5:
        m_state.clip = region;
        break;
    default:
        break;
    }
}

bool GdiDevice::textFits(const QTransform& transform, int pixelSize)
{
    // The transform's largest and smallest stretch (its singular values).
    const double a = transform.m11(), b = transform.m12(), c = transform.m21(), d = transform.m22();
    const double sum = a * a + b * b + c * c + d * d;
    const double determinant = a * d - b * c;
    const double root = std::sqrt(std::max(0.0, sum * sum - 4 * determinant * determinant));
    const double largest = std::sqrt((sum + root) / 2);
    const double smallest = std::sqrt(std::max(0.0, (sum - root) / 2));
    return std::isfinite(largest) && largest * pixelSize <= 4096 && smallest * 64 >= largest
        && smallest * pixelSize >= 0.5;
}

QRegion GdiDevice::regionOf(const QPainterPath& picturePath, QSize picture)
{
    // A region is made scan line by scan line: shapes reaching far outside the picture are cut
    // to it first, or a huge one would take time and memory for nothing.
    const QRectF bounds = picturePath.controlPointRect();
    if (!drawable(bounds))
        return {};
    const QRectF area = QRectF(QPointF(0, 0), picture).adjusted(-2, -2, 2, 2);
    QPainterPath path = picturePath;
    if (!area.contains(bounds)) {
        QPainterPath frame;
        frame.addRect(area);
        path = picturePath.intersected(frame);
    }
    QRegion region;
    for (const QPolygonF& polygon : path.toFillPolygons())
        region += QRegion(polygon.toPolygon(), path.fillRule());
    return region;
}

void GdiDevice::intersectClipRect(const QRectF& rect)
{
    QPainterPath path;
    path.addRect(rect.normalized());
    combineClip(toPicture(path), 1);
}

void GdiDevice::excludeClipRect(const QRectF& rect)
{
    QPainterPath path;
    path.addRect(rect.normalized());
    combineClip(toPicture(path), 4);
}

void GdiDevice::selectClipRegionDevice(const QPainterPath& devicePath, int mode)
{
    combineClip(m_deviceToPicture.map(devicePath), mode, devicePath.isEmpty() && mode == 5);
}

void GdiDevice::selectClipRegionLogical(const QPainterPath& logicalPath, int mode)
{
    combineClip(toPicture(logicalPath), mode, logicalPath.isEmpty() && mode == 5);
}

void GdiDevice::offsetClip(QPointF logicalOffset)
{
    const QTransform transform = logicalToPicture();
    offsetPictureClip(transform.map(logicalOffset) - transform.map(QPointF(0, 0)));
}

void GdiDevice::offsetPictureClip(QPointF offset)
{
    if (!m_state.clip)
        return;
    // A clip moved further than any picture reaches leaves nothing to draw in.
    constexpr double far = 1e7;
    if (std::abs(offset.x()) < far && std::abs(offset.y()) < far)
        m_state.clip->translate(offset.toPoint());
    else
        m_state.clip = QRegion();
    m_clipDirty = true;
}

void GdiDevice::selectClipPath(int mode)
{
    m_inPath = false;
    QPainterPath path = m_path;
    path.setFillRule(m_state.winding ? Qt::WindingFill : Qt::OddEvenFill);
    combineClip(toPicture(path), mode);
    m_path = QPainterPath();
}

void GdiDevice::applyClip()
{
    if (!m_clipDirty)
        return;
    m_clipDirty = false;
    m_painter.resetTransform();
    if (!m_state.clip) {
        m_painter.setClipping(false);
        return;
    }
    m_painter.setClipRegion(*m_state.clip);
}

QPainter* GdiDevice::painterFor(const QTransform& transform)
{
    if (++m_operations > operationLimit || !finite(transform))
        return nullptr;
    applyClip();
    m_painter.setTransform(transform);
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    return &m_painter;
}

void GdiDevice::setClip(std::optional<QRegion> clip)
{
    m_state.clip = std::move(clip);
    m_clipDirty = true;
}

QSize GdiDevice::pictureSize() const
{
    return QSize(m_painter.device()->width(), m_painter.device()->height());
}

void GdiDevice::beginPath()
{
    m_inPath = true;
    m_path = QPainterPath();
    m_path.moveTo(m_state.position);
}

void GdiDevice::endPath() { m_inPath = false; }

void GdiDevice::abortPath()
{
    m_inPath = false;
    m_path = QPainterPath();
}

void GdiDevice::closeFigure()
{
    if (m_inPath)
        m_path.closeSubpath();
}

void GdiDevice::fillPath()
{
    m_inPath = false;
    draw(m_path, true, false);
    m_path = QPainterPath();
}

void GdiDevice::strokePath()
{
    m_inPath = false;
    draw(m_path, false, true);
    m_path = QPainterPath();
}

void GdiDevice::strokeAndFillPath()
{
    m_inPath = false;
    draw(m_path, true, true);
    m_path = QPainterPath();
}

void GdiDevice::widenPath()
{
    QPainterPathStroker stroker(makePen());
    stroker.setWidth(std::max(1.0, m_state.pen.width));
    m_path = stroker.createStroke(m_path);
}

void GdiDevice::flattenPath()
{
    QPainterPath flat;
    for (const QPolygonF& polygon : m_path.toSubpathPolygons())
        flat.addPolygon(polygon);
    m_path = flat;
}

void GdiDevice::addToPath(const QPainterPath& path, bool connect)
{
    if (connect && m_path.elementCount() > 0)
        m_path.connectPath(path);
    else
        m_path.addPath(path);
}

void GdiDevice::moveTo(QPointF point)
{
    m_state.position = point;
    if (m_inPath)
        m_path.moveTo(point);
}

void GdiDevice::lineTo(QPointF point)
{
    if (m_inPath) {
        if (m_path.elementCount() == 0)
            m_path.moveTo(m_state.position);
        m_path.lineTo(point);
    } else {
        QPainterPath line(m_state.position);
        line.lineTo(point);
        draw(line, false, true);
    }
    m_state.position = point;
}

void GdiDevice::polyline(const QPolygonF& points, bool fromCurrent)
{
    if (points.isEmpty())
        return;
    QPainterPath path(fromCurrent ? m_state.position : points.first());
    for (qsizetype i = fromCurrent ? 0 : 1; i < points.size(); ++i)
        path.lineTo(points[i]);
    if (fromCurrent)
        m_state.position = points.last();
    if (m_inPath) {
        if (fromCurrent && m_path.elementCount() > 0) {
            for (const QPointF& point : points)
                m_path.lineTo(point);
        } else {
            m_path.addPath(path);
        }
        return;
    }
    draw(path, false, true);
}

void GdiDevice::polyBezier(const QPolygonF& points, bool fromCurrent)
{
    if (points.isEmpty())
        return;
    const qsizetype first = fromCurrent ? 0 : 1;
    QPainterPath path(fromCurrent ? m_state.position : points.first());
    for (qsizetype i = first; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    if (fromCurrent)
        m_state.position = path.currentPosition();
    if (m_inPath) {
        if (fromCurrent && m_path.elementCount() > 0) {
            for (qsizetype i = 0; i + 2 < points.size(); i += 3)
                m_path.cubicTo(points[i], points[i + 1], points[i + 2]);
        } else {
            m_path.addPath(path);
        }
        return;
    }
    draw(path, false, true);
}

void GdiDevice::polygons(const QList<QPolygonF>& polygons)
{
    QPainterPath path;
    for (const QPolygonF& polygon : polygons) {
        if (polygon.isEmpty())
            continue;
        path.addPolygon(polygon);
        path.closeSubpath();
    }
    shape(path, true);
}

void GdiDevice::polylines(const QList<QPolygonF>& polylines)
{
    QPainterPath path;
    for (const QPolygonF& polyline : polylines)
        path.addPolygon(polyline);
    if (m_inPath)
        m_path.addPath(path);
    else
        draw(path, false, true);
}

void GdiDevice::rectangle(const QRectF& rect)
{
    QPainterPath path;
    path.addRect(rect.normalized());
    shape(path, true);
}

void GdiDevice::roundRect(const QRectF& rect, QSizeF corner)
{
    QPainterPath path;
    path.addRoundedRect(
        rect.normalized(), std::abs(corner.width()) / 2, std::abs(corner.height()) / 2);
    shape(path, true);
}

void GdiDevice::ellipse(const QRectF& rect)
{
    QPainterPath path;
    path.addEllipse(rect.normalized());
    shape(path, true);
}

void GdiDevice::arc(const QRectF& box, QPointF start, QPointF end, ArcKind kind)
{
    const QRectF rect = box.normalized();
    if (rect.isEmpty())
        return;
    const QPointF centre = rect.center();
    // Angles in QPainterPath's sense (counter-clockwise with y down means towards -y); the
    // ellipse is scaled to a circle first so that the angles are those of the radial lines.
    auto angleOf = [&](QPointF point) {
        const double dx = (point.x() - centre.x()) / rect.width();
        const double dy = (point.y() - centre.y()) / rect.height();
        return -std::atan2(dy, dx) * 180 / M_PI;
    };
    const double from = angleOf(start);
    double sweep = angleOf(end) - from;
    // GDI draws counter-clockwise by default, in device space with y down.
    if (m_state.clockwise) {
        if (sweep >= 0)
            sweep -= 360;
    } else if (sweep <= 0) {
        sweep += 360;
    }
    QPainterPath path;
    if (kind == ArcKind::Pie)
        path.moveTo(centre);
    else
        path.arcMoveTo(rect, from);
    if (kind == ArcKind::ArcTo) {
        QPainterPath line(m_state.position);
        line.lineTo(path.currentPosition());
        path = line;
    }
    path.arcTo(rect, from, sweep);
    if (kind == ArcKind::ArcTo)
        m_state.position = path.currentPosition();
    if (kind == ArcKind::Chord || kind == ArcKind::Pie) {
        path.closeSubpath();
        shape(path, true);
    } else if (m_inPath) {
        addToPath(path, kind == ArcKind::ArcTo);
    } else {
        draw(path, false, true);
    }
}

void GdiDevice::angleArc(QPointF centre, double radius, double startDegrees, double sweepDegrees)
{
    const QRectF rect(centre - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
    QPainterPath path(m_state.position);
    QPainterPath arcStart;
    arcStart.arcMoveTo(rect, startDegrees);
    path.lineTo(arcStart.currentPosition());
    path.arcTo(rect, startDegrees, sweepDegrees);
    m_state.position = path.currentPosition();
    if (m_inPath)
        addToPath(path, true);
    else
        draw(path, false, true);
}

void GdiDevice::shape(const QPainterPath& path, bool closed)
{
    if (m_inPath)
        m_path.addPath(path);
    else
        draw(path, closed, true);
}

void GdiDevice::setPixel(QPointF point, QColor colour)
{
    const QPointF at = logicalToPicture().map(point);
    applyClip();
    m_painter.resetTransform();
    m_painter.fillRect(QRectF(std::floor(at.x()), std::floor(at.y()), 1, 1), colour);
}

QPen GdiDevice::makePen() const
{
    const GdiPen& gdi = m_state.pen;
    const QTransform transform = logicalToPicture();
    const double scale = std::sqrt(std::abs(transform.determinant()));
    const double width = gdi.width * scale;
    QPen pen(gdi.colour);
    // A pen of no width, or one thinner than a pixel of the picture, is drawn one pixel wide.
    if (width < 1.0 || !std::isfinite(width)) {
        pen.setWidthF(0);
        pen.setCosmetic(true);
    } else {
        pen.setWidthF(gdi.width);
    }
    switch (gdi.style & penEndCapMask) {
    case 0x100:
        pen.setCapStyle(Qt::SquareCap);
        break;
    case 0x200:
        pen.setCapStyle(Qt::FlatCap);
        break;
    default:
        pen.setCapStyle(Qt::RoundCap);
    }
    switch (gdi.style & penJoinMask) {
    case 0x1000:
        pen.setJoinStyle(Qt::BevelJoin);
        break;
    case 0x2000:
        pen.setJoinStyle(Qt::MiterJoin);
        pen.setMiterLimit(m_state.miterLimit);
        break;
    default:
        pen.setJoinStyle(Qt::RoundJoin);
    }
    switch (gdi.style & penStyleMask) {
    case 1:
        pen.setStyle(Qt::DashLine);
        break;
    case 2:
    case penAlternate:
        pen.setStyle(Qt::DotLine);
        break;
    case 3:
        pen.setStyle(Qt::DashDotLine);
        break;
    case 4:
        pen.setStyle(Qt::DashDotDotLine);
        break;
    case penUserStyle: {
        // Qt counts dashes in pen widths; GDI in logical units.
        const double unit = pen.widthF() > 0 ? pen.widthF() : 1.0 / std::max(scale, 1e-9);
        QList<qreal> pattern;
        for (const qreal dash : gdi.dashes)
            pattern.append(std::max(dash / unit, 0.01));
        if (pattern.size() % 2)
            pattern.append(pattern.last());
        if (!pattern.isEmpty())
            pen.setDashPattern(pattern);
        break;
    }
    default:
        break;
    }
    return pen;
}

QBrush GdiDevice::makeBrush(const GdiBrush& gdi) const
{
    switch (gdi.kind) {
    case GdiBrush::Kind::Null:
        return Qt::NoBrush;
    case GdiBrush::Kind::Solid:
        return QBrush(gdi.colour);
    case GdiBrush::Kind::Hatched: {
        QBrush brush(gdi.colour, hatchStyle(gdi.hatch));
        // Hatches and patterns are in device pixels, not scaled with the drawing.
        brush.setTransform(logicalToPicture().inverted());
        return brush;
    }
    case GdiBrush::Kind::Pattern: {
        if (gdi.pattern.isNull())
            return QBrush(gdi.colour);
        QBrush brush(gdi.pattern);
        brush.setTransform(logicalToPicture().inverted());
        return brush;
    }
    }
    return Qt::NoBrush;
}

void GdiDevice::setComposition(int rop2)
{
    switch (rop2) {
    case 7: // R2_XORPEN
    case 6: // R2_NOT
        m_painter.setCompositionMode(QPainter::CompositionMode_Difference);
        break;
    case 9: // R2_MASKPEN
        m_painter.setCompositionMode(QPainter::CompositionMode_Multiply);
        break;
    case 15: // R2_MERGEPEN
        m_painter.setCompositionMode(QPainter::CompositionMode_Lighten);
        break;
    default:
        m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

bool GdiDevice::prepare(bool fill, bool stroke)
{
    if (++m_operations > operationLimit || m_state.rop2 == 11)
        return false;
    if (!fill && !stroke)
        return false;
    const QTransform transform = logicalToPicture();
    if (!finite(transform))
        return false;
    applyClip();
    m_painter.setTransform(transform);
    setComposition(m_state.rop2);
    return true;
}

void GdiDevice::draw(const QPainterPath& givenPath, bool fill, bool stroke)
{
    if (m_inPath) {
        m_path.addPath(givenPath);
        return;
    }
    const bool fills = fill && m_state.brush.kind != GdiBrush::Kind::Null;
    const bool strokes = stroke && (m_state.pen.style & penStyleMask) != penNull;
    if (!prepare(fills, strokes))
        return;
    if (!drawable(m_painter.transform().mapRect(givenPath.controlPointRect())))
        return;
    QPainterPath path = givenPath;
    path.setFillRule(m_state.winding ? Qt::WindingFill : Qt::OddEvenFill);
    const auto colourFor = [&](QColor colour) {
        // R2_NOT and the constant ROP2 modes ignore the object's colour.
        switch (m_state.rop2) {
        case 1:
            return QColor(Qt::black);
        case 6:
        case 16:
            return QColor(Qt::white);
        default:
            return colour;
        }
    };
    if (fills) {
        GdiBrush gdi = m_state.brush;
        gdi.colour = colourFor(gdi.colour);
        if (gdi.kind == GdiBrush::Kind::Hatched && m_state.backgroundOpaque)
            m_painter.fillPath(path, m_state.backgroundColour);
        // Rectangles side by side would show seams where their smoothed edges meet; GDI fills
        // them whole pixels, and so does this.
        const bool square = isAxisAlignedRectangle(path, m_painter.transform());
        m_painter.setRenderHint(QPainter::Antialiasing, !square);
        m_painter.fillPath(path, makeBrush(gdi));
        m_painter.setRenderHint(QPainter::Antialiasing);
    }
    if (strokes) {
        QPen pen = makePen();
        pen.setColor(colourFor(pen.color()));
        if (pen.style() != Qt::SolidLine && m_state.backgroundOpaque) {
            QPen gaps = pen;
            gaps.setStyle(Qt::SolidLine);
            gaps.setColor(m_state.backgroundColour);
            m_painter.strokePath(path, gaps);
        }
        m_painter.strokePath(path, pen);
    }
}

void GdiDevice::fillWith(
    const QPainterPath& picturePath, const QBrush& brush, QPainter::CompositionMode mode)
{
    if (++m_operations > operationLimit || !drawable(picturePath.controlPointRect()))
        return;
    applyClip();
    m_painter.resetTransform();
    m_painter.setCompositionMode(mode);
    m_painter.fillPath(picturePath, brush);
}

void GdiDevice::fillRegion(const QPainterPath& logicalPath, const GdiBrush& brush)
{
    QBrush qbrush = makeBrush(brush);
    qbrush.setTransform(QTransform());
    fillWith(toPicture(logicalPath), qbrush, QPainter::CompositionMode_SourceOver);
}

void GdiDevice::frameRegion(const QPainterPath& logicalPath, const GdiBrush& brush, QSizeF stroke)
{
    QPainterPathStroker stroker;
    stroker.setWidth(std::max(1.0, std::abs(stroke.width()) * 2));
    const QPainterPath frame = stroker.createStroke(logicalPath).intersected(logicalPath);
    fillRegion(frame, brush);
}

void GdiDevice::invertRegion(const QPainterPath& logicalPath)
{
    fillWith(toPicture(logicalPath), Qt::white, QPainter::CompositionMode_Difference);
}

void GdiDevice::patBlt(const QRectF& dest, quint32 rop)
{
    QPainterPath path;
    path.addRect(dest.normalized());
    const QPainterPath picture = toPicture(path);
    switch ((rop >> 16) & 0xFF) {
    case 0x00:
        fillWith(picture, Qt::black, QPainter::CompositionMode_SourceOver);
        break;
    case 0xFF:
        fillWith(picture, Qt::white, QPainter::CompositionMode_SourceOver);
        break;
    case 0x55:
        fillWith(picture, Qt::white, QPainter::CompositionMode_Difference);
        break;
    case 0x5A:
        if (m_state.brush.kind != GdiBrush::Kind::Null)
            fillWith(picture, makeBrush(m_state.brush), QPainter::CompositionMode_Difference);
        break;
    case 0xAA:
        break;
    default:
        if (m_state.brush.kind != GdiBrush::Kind::Null) {
            QBrush brush = makeBrush(m_state.brush);
            brush.setTransform(QTransform());
            fillWith(picture, brush, QPainter::CompositionMode_SourceOver);
        }
    }
}

void GdiDevice::gradientRect(const QRectF& rect, QColor from, QColor to, bool vertical)
{
    QLinearGradient gradient(rect.topLeft(), vertical ? rect.bottomLeft() : rect.topRight());
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    QPainterPath path;
    path.addRect(rect.normalized());
    if (++m_operations > operationLimit)
        return;
    applyClip();
    m_painter.setTransform(logicalToPicture());
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.fillPath(path, gradient);
}

void GdiDevice::drawBitmap(
    const QRectF& dest, const QImage& given, const QRectF& source, quint32 rop)
{
    const int operation = int((rop >> 16) & 0xFF);
    // Operations that do not read the source are pattern fills.
    const bool usesSource = ((operation >> 2) & 0x33) != (operation & 0x33);
    if (given.isNull() || !usesSource) {
        patBlt(dest, rop);
        return;
    }
    QImage image = given.convertToFormat(QImage::Format_ARGB32);
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    const QRgb brush = m_state.brush.colour.rgb();
    // The source's colour picks what the common operations make of each pixel; white and black
    // sources are the masks of transparent icons.
    auto remap = [&](auto function) {
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = qAlpha(line[x]) ? function(line[x] | 0xFF000000u) : 0u;
        }
    };
    const auto isWhite = [](QRgb pixel) { return (pixel & 0xFFFFFF) == 0xFFFFFF; };
    const auto isBlack = [](QRgb pixel) { return (pixel & 0xFFFFFF) == 0; };
    switch (operation) {
    case 0x88: // SRCAND
        remap([&](QRgb p) { return isWhite(p) ? 0u : p; });
        mode = QPainter::CompositionMode_Multiply;
        break;
    case 0xEE: // SRCPAINT
        remap([&](QRgb p) { return isBlack(p) ? 0u : p; });
        mode = QPainter::CompositionMode_Lighten;
        break;
    case 0x66: // SRCINVERT
        remap([&](QRgb p) { return isBlack(p) ? 0u : p; });
        mode = QPainter::CompositionMode_Difference;
        break;
    case 0x33: // NOTSRCCOPY
        remap([&](QRgb p) { return p ^ 0x00FFFFFFu; });
        break;
    case 0xBB: // MERGEPAINT
        remap([&](QRgb p) { return isWhite(p) ? 0u : p ^ 0x00FFFFFFu; });
        mode = QPainter::CompositionMode_Lighten;
        break;
    case 0xC0: // MERGECOPY
        remap([&](QRgb p) {
            return qRgb(qRed(p) * qRed(brush) / 255, qGreen(p) * qGreen(brush) / 255,
                qBlue(p) * qBlue(brush) / 255);
        });
        break;
    case 0xB8: // PSDPxax: the brush where the source is black
        remap([&](QRgb p) { return isBlack(p) ? (brush | 0xFF000000u) : 0u; });
        break;
    case 0xE2: // DSPDxax: the brush where the source is white
        remap([&](QRgb p) { return isWhite(p) ? (brush | 0xFF000000u) : 0u; });
        break;
    case 0x44: // SRCERASE
    case 0x11: // NOTSRCERASE
        return;
    default:
        break;
    }
    if (++m_operations > operationLimit)
        return;
    const QRectF part = source.isValid() ? source : QRectF(image.rect());
    const QTransform transform = QTransform::fromTranslate(-part.left(), -part.top())
        * QTransform::fromScale(dest.width() / part.width(), dest.height() / part.height())
        * QTransform::fromTranslate(dest.left(), dest.top()) * logicalToPicture();
    if (!finite(transform) || !drawable(transform.mapRect(part)))
        return;
    applyClip();
    m_painter.setTransform(transform);
    m_painter.setCompositionMode(mode);
    drawImagePart(transform, image, part);
}

void GdiDevice::drawImagePart(const QTransform& transform, const QImage& image, const QRectF& part)
{
    // Enlarged bitmaps keep their pixels sharp, as GDI stretches them; reduced ones are smoothed.
    const bool enlarged = std::abs(transform.m11()) >= 1 && std::abs(transform.m22()) >= 1
        && transform.m12() == 0 && transform.m21() == 0;
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, !enlarged);
    m_painter.setRenderHint(QPainter::Antialiasing, !enlarged);
    m_painter.drawImage(part, image, part);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform);
    m_painter.setRenderHint(QPainter::Antialiasing);
}

void GdiDevice::alphaBlend(
    const QRectF& dest, const QImage& image, const QRectF& source, double opacity)
{
    const QRectF part = source.isValid() ? source : QRectF(image.rect());
    const QTransform transform = QTransform::fromTranslate(-part.left(), -part.top())
        * QTransform::fromScale(dest.width() / part.width(), dest.height() / part.height())
        * QTransform::fromTranslate(dest.left(), dest.top()) * logicalToPicture();
    if (image.isNull() || ++m_operations > operationLimit || !finite(transform)
        || !drawable(transform.mapRect(part)))
        return;
    applyClip();
    m_painter.setTransform(transform);
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.setOpacity(std::clamp(opacity, 0.0, 1.0));
    drawImagePart(transform, image, part);
    m_painter.setOpacity(1);
}

void GdiDevice::text(QPointF reference, const QString& givenText,
    const QList<double>& givenAdvances, quint32 options, const QRectF& rect,
    const QList<double>& givenRises)
{
    if (++m_operations > operationLimit)
        return;
    const QTransform transform = logicalToPicture();
    if (!finite(transform))
        return;
    const GdiFont& gdi = m_state.font;
    applyClip();
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if ((options & textOpaque) && rect.isValid()) {
        QPainterPath box;
        box.addRect(rect.normalized());
        m_painter.setTransform(transform);
        m_painter.fillPath(box, m_state.backgroundColour);
    }
    if (givenText.isEmpty())
        return;
    const bool updatesPosition = m_state.textAlign & textUpdateCurrent;
    if (updatesPosition)
        reference = m_state.position;

    const double xScale = std::hypot(transform.m11(), transform.m12());
    const double yScale = std::hypot(transform.m21(), transform.m22());
    const double logicalHeight = gdi.height == 0 ? 12.0 / std::max(yScale, 1e-9) : gdi.height;
    const double pixelHeight = std::abs(logicalHeight) * yScale;
    if (!std::isfinite(pixelHeight) || pixelHeight < 0.5 || pixelHeight > 20000)
        return;
    QFont font(substituteFamilies(gdi.face));
    font.setPixelSize(std::max(1, int(std::lround(pixelHeight))));
    if (logicalHeight > 0) {
        // A positive height is the cell's (ascent and descent), not the em's.
        const QFontMetricsF metrics(font);
        const double cell = metrics.ascent() + metrics.descent();
        if (cell > 0)
            font.setPixelSize(std::max(1, int(std::lround(pixelHeight * pixelHeight / cell))));
    }
    font.setWeight(QFont::Weight(std::clamp(gdi.weight == 0 ? 400 : gdi.weight, 100, 900)));
    font.setItalic(gdi.italic);
    font.setUnderline(gdi.underline);
    font.setStrikeOut(gdi.strikeOut);
    if (gdi.width > 0) {
        const QFontMetricsF metrics(font);
        const double average = metrics.averageCharWidth();
        if (average > 0)
            font.setStretch(
                std::clamp(int(std::lround(gdi.width * xScale / average * 100)), 1, 4000));
    }
    QString text = givenText;
    QList<double> advances = givenAdvances;
    QList<double> rises = givenRises;
    if (isSymbolFont(gdi.face, gdi.charset)) {
        // A symbol may become two UTF-16 units; the second moves the pen no further.
        text.clear();
        advances.clear();
        rises.clear();
        for (qsizetype i = 0; i < givenText.size(); ++i) {
            const QString shown = symbolsToUnicode(givenText.mid(i, 1), gdi.face);
            text += shown;
            for (qsizetype j = 0; j < shown.size(); ++j) {
                if (i < givenAdvances.size())
                    advances.append(j == 0 ? givenAdvances[i] : 0);
                if (i < givenRises.size())
                    rises.append(j == 0 ? givenRises[i] : 0);
            }
        }
    }
    const QFontMetricsF metrics(font);

    double width = 0;
    double rise = 0;
    QList<QPointF> positions;
    positions.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        positions.append(QPointF(width, rise));
        if (i < rises.size())
            rise -= rises[i] * yScale;
        if (i < advances.size())
            width += advances[i] * xScale;
        else
            width += metrics.horizontalAdvance(text[i])
                + (text[i] == ' ' ? m_justification * xScale : 0);
    }

    const QPointF origin = transform.map(reference);
    double angle = std::atan2(transform.m12(), transform.m11()) * 180 / M_PI;
    if (transform.m11() < 0 && std::abs(transform.m12()) < 1e-12)
        angle = 0;
    angle -= gdi.escapement / 10.0;
    double x = 0;
    switch (m_state.textAlign & 6) {
    case 2:
        x = -width;
        break;
    case 6:
        x = -width / 2;
        break;
    default:
        break;
    }
    double baseline = 0;
    switch (m_state.textAlign & 24) {
    case 0:
        baseline = metrics.ascent();
        break;
    case 8:
        baseline = -metrics.descent();
        break;
    default:
        break;
    }
    m_painter.setTransform(QTransform::fromTranslate(origin.x(), origin.y()).rotate(angle));
    if (options & textClipped && rect.isValid()) {
        QPainterPath box;
        box.addRect(rect.normalized());
        m_painter.setClipPath(transform.map(box) * m_painter.transform().inverted(),
            m_state.clip ? Qt::IntersectClip : Qt::ReplaceClip);
        m_clipDirty = true;
    }
    if (m_state.backgroundOpaque && !(options & textOpaque))
        m_painter.fillRect(QRectF(x, baseline - metrics.ascent(), width, metrics.height()),
            m_state.backgroundColour);
    m_painter.setFont(font);
    m_painter.setPen(m_state.textColour);
    if (!textFits(m_painter.transform(), font.pixelSize()))
        return;
    if (advances.isEmpty()) {
        m_painter.drawText(QPointF(x, baseline), text);
    } else {
        for (qsizetype i = 0; i < text.size(); ++i) {
            qsizetype length = 1;
            if (text[i].isHighSurrogate() && i + 1 < text.size())
                length = 2;
            if (!text[i].isSpace())
                m_painter.drawText(QPointF(x, baseline) + positions[i], text.mid(i, length));
            i += length - 1;
        }
    }
    if (updatesPosition) {
        // The pen ends where the next character would start, raised by the y advances too.
        const QPointF end = QTransform().rotate(angle).map(QPointF(width, rise));
        m_state.position = transform.inverted().map(origin + end);
    }
}
