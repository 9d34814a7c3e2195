// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

class QImage;

// Draws checked EMF records over the whole of image; returns empty text or the reason it could
// not.
QString drawEmf(QByteArray records, QImage& image);
