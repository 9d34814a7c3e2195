// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "pictures/metafile/RecordData.h"

#include <QPainterPath>
#include <QPolygonF>

// How a record codes the kind of each point of a path: the bits that give the kind, the values
// that start a figure and begin a Bézier curve, and the bit that closes a figure.
struct PointKinds
{
    int mask;
    int start;
    int bezier;
    int close;
};

// Adds points to path, each as the byte at the same index of kinds says.
void addTypedPoints(
    QPainterPath& path, const QPolygonF& points, const RecordData& kinds, PointKinds coding);
