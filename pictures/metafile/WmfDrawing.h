// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

class QImage;

// Draws checked WMF records (with their placeable header, if any) over the whole of image;
// returns empty text or the reason it could not.
QString drawWmf(QByteArray records, QImage& image);
