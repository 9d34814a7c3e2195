// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QTransform>

#include <optional>
#include <variant>
#include <vector>

struct GdiPen
{
    quint32 style = 0;
    double width = 0;
    QColor colour = Qt::black;
    QList<qreal> dashes;
};

struct GdiBrush
{
    enum class Kind { Null, Solid, Hatched, Pattern };
    Kind kind = Kind::Solid;
    QColor colour = Qt::white;
    int hatch = 0;
    QImage pattern;
};

struct GdiFont
{
    int height = 0;
    int width = 0;
    int escapement = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charset = 0;
    QString face;
};

// A region, in the units it was recorded in.
struct GdiRegion
{
    QPainterPath path;
};

using GdiPalette = QList<QRgb>;
using GdiObject = std::variant<std::monostate, GdiPen, GdiBrush, GdiFont, GdiRegion, GdiPalette>;

// The device context a metafile draws on, over a QPainter: the object table, the saved states,
// the mapping from logical units to the picture, clipping, paths, and the drawing calls that the
// EMF and WMF records share. Coordinates given to it are logical units unless a name says
// device; "device" is the recording device's pixels, which the frame maps onto the picture.
class GdiDevice
{
public:
    enum class Kind { Emf, Wmf };
    // frame: the part of device space that becomes the whole picture. For WMF, device space is
    // the logical space of the frame's own window.
    GdiDevice(QPainter& painter, Kind kind, const QRectF& frame, QSizeF pixelsPerMillimetre);

    // Objects: the table grows on demand up to a fixed size; indexes past that are ignored.
    void createObject(quint32 index, GdiObject object);
    // WMF puts a new object in the lowest free slot.
    void createObjectInFreeSlot(GdiObject object);
    void selectObject(quint32 index);
    void selectStockObject(quint32 stock);
    void deleteObject(quint32 index);
    const GdiObject* object(quint32 index) const;

    void saveDc();
    void restoreDc(int which);

    // Mapping.
    void setMapMode(int mode);
    void setWindowOrigin(QPointF origin);
    void setWindowExtent(QSizeF extent);
    void setViewportOrigin(QPointF origin);
    void setViewportExtent(QSizeF extent);
    void offsetWindowOrigin(QPointF offset);
    void offsetViewportOrigin(QPointF offset);
    void scaleWindowExtent(
        double xNumerator, double xDenominator, double yNumerator, double yDenominator);
    void scaleViewportExtent(
        double xNumerator, double xDenominator, double yNumerator, double yDenominator);
    void setWorldTransform(const QTransform& transform);
    // mode 1 identity, 2 transform first, 3 transform last, 4 set.
    void modifyWorldTransform(const QTransform& transform, int mode);
    QTransform logicalToPicture() const;
    QTransform deviceToPicture() const { return m_deviceToPicture; }

    // Attributes.
    void setBackgroundMode(int mode) { m_state.backgroundOpaque = mode == 2; }
    void setBackgroundColour(QColor colour) { m_state.backgroundColour = colour; }
    void setTextColour(QColor colour) { m_state.textColour = colour; }
    void setTextAlign(quint32 align) { m_state.textAlign = align; }
    void setPolyFillMode(int mode) { m_state.winding = mode == 2; }
    void setRop2(int rop) { m_state.rop2 = rop; }
    void setArcDirection(int direction) { m_state.clockwise = direction == 2; }
    void setMiterLimit(double limit) { m_state.miterLimit = limit; }
    void setTextJustification(double extra, int breaks);
    // A COLORREF: red, green, blue, or an index into the selected palette.
    QColor colour(quint32 reference) const;
    const GdiPalette& palette() const { return m_state.palette; }
    int fontCharset() const { return m_state.font.charset; }
    QPointF currentPosition() const { return m_state.position; }
    bool clockwise() const { return m_state.clockwise; }

    // Clipping.
    void intersectClipRect(const QRectF& rect);
    void excludeClipRect(const QRectF& rect);
    // mode: 1 and, 2 or, 3 xor, 4 difference, 5 copy; a null path with copy removes the clip.
    void combineClip(const QPainterPath& picturePath, int mode, bool reset = false);
    void selectClipRegionDevice(const QPainterPath& devicePath, int mode);
    void selectClipRegionLogical(const QPainterPath& logicalPath, int mode);
    void offsetClip(QPointF logicalOffset);
    void offsetPictureClip(QPointF offset);
    void selectClipPath(int mode);

    // Paths and shapes: inside a path bracket they go into the path, else they are drawn.
    void beginPath();
    void endPath();
    void abortPath();
    void closeFigure();
    void fillPath();
    void strokePath();
    void strokeAndFillPath();
    void widenPath();
    void flattenPath();
    void moveTo(QPointF point);
    void lineTo(QPointF point);
    void polyline(const QPolygonF& points, bool fromCurrent);
    void polyBezier(const QPolygonF& points, bool fromCurrent);
    void polygons(const QList<QPolygonF>& polygons);
    void polylines(const QList<QPolygonF>& polylines);
    void rectangle(const QRectF& rect);
    void roundRect(const QRectF& rect, QSizeF corner);
    void ellipse(const QRectF& rect);
    enum class ArcKind { Arc, ArcTo, Chord, Pie };
    void arc(const QRectF& box, QPointF start, QPointF end, ArcKind kind);
    void angleArc(QPointF centre, double radius, double startDegrees, double sweepDegrees);
    // A closed figure filled with the brush and outlined with the pen, or added to the path.
    void shape(const QPainterPath& path, bool closed);
    void setPixel(QPointF point, QColor colour);

    // Regions and rectangles filled with a brush from the table.
    void fillRegion(const QPainterPath& logicalPath, const GdiBrush& brush);
    void frameRegion(const QPainterPath& logicalPath, const GdiBrush& brush, QSizeF stroke);
    void invertRegion(const QPainterPath& logicalPath);
    const GdiBrush& currentBrush() const { return m_state.brush; }

    // Bitmaps. dest in logical units; source in the image's pixels, top-down. rop is the ternary
    // raster operation.
    void drawBitmap(const QRectF& dest, const QImage& image, const QRectF& source, quint32 rop);
    // An image with its own alpha, premultiplied or not, at a constant opacity.
    void alphaBlend(const QRectF& dest, const QImage& image, const QRectF& source, double opacity);
    void patBlt(const QRectF& dest, quint32 rop);
    void gradientRect(const QRectF& rect, QColor from, QColor to, bool vertical);

    // Text at reference (logical), with advances and rises (upwards, with ETO_PDY) in logical
    // units (either may be empty), options as
    // ExtTextOut's (2 opaque, 4 clipped), rect in logical units.
    void text(QPointF reference, const QString& text, const QList<double>& advances,
        quint32 options, const QRectF& rect, const QList<double>& rises = {});

    // For EMF+ records, which draw with their own objects: the painter with the clip applied and
    // the given transform set, or null once the drawing is exhausted or the transform unusable.
    QPainter* painterFor(const QTransform& transform);
    // The clip, in the picture's pixels, for EMF+ saved states and combinations.
    std::optional<QRegion> clip() const { return m_state.clip; }
    void setClip(std::optional<QRegion> clip);
    QSize pictureSize() const;
    // Whether text in a font of pixelSize can be drawn through transform: glyphs stretched to
    // thousands of pixels, or squeezed flat, make the font engine fail on damaged files.
    static bool textFits(const QTransform& transform, int pixelSize);
    // A path in the picture's pixels as a region, cut to the picture.
    static QRegion regionOf(const QPainterPath& picturePath, QSize picture);

    // Drawing stops after this many operations, so that no file keeps the helper busy.
    bool exhausted() const { return m_operations > operationLimit; }

private:
    static constexpr int tableLimit = 65536;
    static constexpr qint64 operationLimit = 2'000'000;

    struct State
    {
        int mapMode = 1;
        QPointF windowOrigin;
        QSizeF windowExtent { 1, 1 };
        QPointF viewportOrigin;
        QSizeF viewportExtent { 1, 1 };
        QTransform world;
        GdiPen pen;
        GdiBrush brush;
        GdiFont font;
        GdiPalette palette;
        QColor textColour = Qt::black;
        QColor backgroundColour = Qt::white;
        bool backgroundOpaque = true;
        quint32 textAlign = 0;
        bool winding = false;
        int rop2 = 13;
        bool clockwise = false;
        double miterLimit = 10;
        QPointF position;
        // In the picture's pixels: files clip with thousands of rectangles, which regions
        // combine quickly.
        std::optional<QRegion> clip;
    };

    QTransform pageTransform() const;
    void applyClip();
    bool prepare(bool fill, bool stroke);
    QPen makePen() const;
    QBrush makeBrush(const GdiBrush& brush) const;
    void setComposition(int rop2);
    void draw(const QPainterPath& path, bool fill, bool stroke);
    void fillWith(
        const QPainterPath& picturePath, const QBrush& brush, QPainter::CompositionMode mode);
    QPainterPath toPicture(const QPainterPath& logical) const;
    void addToPath(const QPainterPath& path, bool connect);
    void drawImagePart(const QTransform& transform, const QImage& image, const QRectF& part);

    QPainter& m_painter;
    Kind m_kind;
    QRectF m_frame;
    QSizeF m_pixelsPerMillimetre;
    QTransform m_deviceToPicture;
    State m_state;
    std::vector<State> m_saved;
    std::vector<GdiObject> m_objects;
    bool m_inPath = false;
    QPainterPath m_path;
    bool m_clipDirty = true;
    qint64 m_operations = 0;
    double m_justification = 0;
};
