// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/Conversions.h"

#include "platform/RuntimeError.h"

#include <QRegularExpression>

#include <charconv>
#include <cmath>

namespace Conversions {

namespace {
bool isSkippedBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }
} // namespace

bool isNumeric(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral(R"(^[ \t]*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?[ \t]*$)"));
    return number.match(text).hasMatch();
}

double leadingNumber(const QString& text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && isSkippedBlank(text[i]))
        ++i;
    const int start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    bool digits = false;
    while (i < n && isDigit(text[i])) {
        ++i;
        digits = true;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && isDigit(text[i])) {
            ++i;
            digits = true;
        }
    }
    if (!digits)
        return 0.0;
    int end = i;
    // An exponent counts only when at least one digit follows it.
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        int j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        if (j < n && isDigit(text[j])) {
            while (j < n && isDigit(text[j]))
                ++j;
            end = j;
        }
    }
    // from_chars ignores the process locale, unlike strtod; it takes no leading '+'.
    const QByteArray number = text.mid(start, end - start).toLatin1();
    const bool negative = number.startsWith('-');
    const char* first = number.constData() + (number.startsWith('+') || negative ? 1 : 0);
    double magnitude = 0.0;
    const auto [ptr, ec] = std::from_chars(first, number.constData() + number.size(), magnitude);
    Q_UNUSED(ptr);
    if (ec == std::errc::result_out_of_range)
        magnitude = number.toLower().contains("e-") ? 0.0 : HUGE_VAL;
    return negative ? -magnitude : magnitude;
}

qint32 toInt32(double value)
{
    // The default floating-point rounding mode rounds halves to the even neighbour.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        throw RuntimeError(RuntimeError::Overflow, QString(), QStringLiteral("Overflow"));
    return static_cast<qint32>(rounded);
}

QString plainNumberText(double value)
{
    QString digits = QString::number(std::fabs(value), 'g', 7).toUpper();
    if (digits.startsWith(QLatin1String("0.")))
        digits.remove(0, 1);
    return (std::signbit(value) && value != 0.0 ? QStringLiteral("-") : QStringLiteral(" "))
        + digits;
}

QString decimalText(qint32 value) { return QString::number(value); }

QString trimBlanks(const QString& text)
{
    int begin = 0;
    int end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

} // namespace Conversions
