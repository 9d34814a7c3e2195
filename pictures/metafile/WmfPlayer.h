// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

class QImage;

// Plays checked WMF records (with their placeable header, if any) onto image, the picture's
// frame filling it; returns empty text or the reason it could not.
QString playWmf(const QByteArray& records, QImage& image);

// Whether the records draw text, which needs the font database.
bool wmfHasText(const QByteArray& records);
