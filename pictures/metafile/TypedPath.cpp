// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/metafile/TypedPath.h"

void addTypedPoints(
    QPainterPath& path, const QPolygonF& points, const RecordData& kinds, PointKinds coding)
{
    for (qsizetype i = 0; i < points.size(); ++i) {
        const int kind = kinds.u8(i) & coding.mask;
        if (kind == coding.start) {
            path.moveTo(points[i]);
        } else if (kind == coding.bezier && i + 2 < points.size()) {
            path.cubicTo(points[i], points[i + 1], points[i + 2]);
            i += 2;
        } else {
            path.lineTo(points[i]);
        }
        if (kinds.u8(i) & coding.close)
            path.closeSubpath();
    }
}
