// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The fonts that metafiles name, mapped to free fonts with the same metrics that the package
// depends on, the first installed one drawing; other names are left to fontconfig.
QStringList substituteFamilies(const QString& face);

// Text in Symbol or Wingdings (by name, or in the symbol character set) holds the font's own
// codes, in 0x20-0xFF or in the private area at 0xF020-0xF0FF; they become the
// Unicode characters they show, so that any font can draw them.
bool isSymbolFont(const QString& face, int charset);
QString symbolsToUnicode(const QString& text, const QString& face);

// Text in the Windows code page of a GDI character set. advances, when given, holds one advance
// per byte; the advances of the bytes of each double-byte character are added up, so that there
// is one per character of the result.
QString decodeCharset(const QByteArray& text, int charset, QList<double>* advances = nullptr);
