// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

class QImage;

// Plays checked EMF records (EMF+ included) onto image, the header's frame filling it; returns
// empty text or the reason it could not.
QString playEmf(const QByteArray& records, QImage& image);

// Whether the records draw text, which needs the font database.
bool emfHasText(const QByteArray& records);
