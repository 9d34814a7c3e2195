// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "pictures/metafile/RecordData.h"

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QPen>
#include <QRegion>
#include <QTransform>

#include <map>
#include <optional>
#include <variant>
#include <vector>

class GdiDevice;

// Plays the EMF+ records that an EMF file carries in its comments, with their own objects,
// transforms and clip, onto the same device as the GDI records.
class EmfPlusPlayer
{
public:
    explicit EmfPlusPlayer(GdiDevice& device);
    // The records of one comment, after its "EMF+" signature.
    void play(const RecordData& records);
    // True while the EMF+ records draw the picture: a GDI+ reader then skips the GDI records,
    // except those after a GetDC record.
    bool drawsInsteadOfGdi() const { return m_drawsInsteadOfGdi; }

    // Whether the EMF+ records of a file draw anything; some files carry only an EMF+ header.
    static bool draws(const RecordData& comment);

private:
    struct Font
    {
        double emSize = 0;
        int unit = 0;
        int style = 0;
        QString family;
    };
    struct Format
    {
        int alignment = 0;
        int lineAlignment = 0;
    };
    // A picture inside the picture: its records.
    struct Metafile
    {
        QByteArray data;
    };
    using Object = std::variant<std::monostate, QBrush, QPen, QPainterPath, QRegion, QImage, Font,
        Format, Metafile>;
    struct State
    {
        QTransform world;
        std::optional<QRegion> clip;
    };

    void record(quint16 type, quint16 flags, const RecordData& data);
    void object(quint16 flags, const RecordData& data);
    Object readObject(int type, const RecordData& data) const;
    QBrush brushOf(bool direct, quint32 value) const;
    QBrush readBrush(const RecordData& data) const;
    QPen readPen(const RecordData& data) const;
    QPainterPath readPath(const RecordData& data) const;
    QRegion readRegion(const RecordData& data) const;
    QImage readImage(const RecordData& data) const;
    std::optional<QPainterPath> regionNode(const RecordData& data, qsizetype& at, int depth) const;
    void combineClip(const QPainterPath& worldPath, int mode);
    void combineClip(const QRegion& region, int mode);
    QTransform transform() const;
    double unitScale(int unit) const;
    double emInWorld(const Font& font) const;
    QImage playMetafile(const QByteArray& data, const QPolygonF& destination) const;
    void fill(const QPainterPath& path, const QBrush& brush);
    void stroke(const QPainterPath& path, quint32 penId);
    void drawImage(quint32 imageId, const QRectF& source, const QPolygonF& destination);
    void drawString(quint16 flags, const RecordData& data);
    void drawDriverString(quint16 flags, const RecordData& data);
    const Object* objectAt(quint32 id) const;

    GdiDevice& m_device;
    bool m_drawsInsteadOfGdi = false;
    double m_dpiX = 96;
    double m_dpiY = 96;
    QTransform m_world;
    int m_pageUnit = 2;
    double m_pageScale = 1;
    std::map<quint32, Object> m_objects;
    std::map<quint32, State> m_saved;
    // A large object (an image) arrives in pieces.
    QByteArray m_continued;
    quint16 m_continuedFlags = 0;
    quint32 m_continuedTotal = 0;
};
