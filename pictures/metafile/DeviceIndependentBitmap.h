// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "pictures/metafile/RecordData.h"

#include <QImage>

// Decodes a device-independent bitmap as metafiles carry it: a BITMAPINFO (core, info, V4 or V5
// header with its colour table) and the pixel bits, in any bit depth, RLE4, RLE8, bit fields,
// top-down or bottom-up, or an embedded PNG or JPEG. Null when the bitmap is damaged or larger
// than the picture could use. The alpha of 32-bit bitmaps is kept as it is in the file.
QImage decodeDib(const RecordData& info, const RecordData& bits);

// The same for a packed bitmap: the info followed directly by its bits. A bitmap whose colour
// table is missing (its bits follow the header directly) takes its colours from palette.
QImage decodePackedDib(const RecordData& packed, const QList<QRgb>& palette = {});
