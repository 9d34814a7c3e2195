// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

// Text and number conversions that the settings and the show rely on. They follow the rules of
// the original runtime so that stored values read back the same way everywhere.
namespace Conversions {

// True for plain decimal numbers with an optional sign, fraction and exponent, surrounded by
// blanks; false for empty text and words.
bool isNumeric(const QString& text);

// The number at the start of the text: blanks, tabs and line feeds are skipped, reading stops at
// the first character that cannot continue the number; text without a number gives 0.
double leadingNumber(const QString& text);

// Nearest 32-bit integer, a half going to the even neighbour. Throws RuntimeError (Overflow)
// outside the 32-bit range and for NaN.
qint32 toInt32(double value);

// The plain number-to-text form: a leading blank for a number that is not negative, up to seven
// significant digits, a fraction only when there is one (9600 -> " 9600", -15 -> "-15").
QString plainNumberText(double value);

// Decimal digits with a minus sign when negative and no blank (16777215, -2147483629).
QString decimalText(qint32 value);

// Blanks (spaces only) removed at both ends, as the design's trim does.
QString trimBlanks(const QString& text);

} // namespace Conversions
