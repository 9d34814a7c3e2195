// SPDX-License-Identifier: GPL-2.0-or-later
// The numeric test, the leading-number parse and the 32-bit conversion on arbitrary text.
#include "platform/Conversions.h"
#include "platform/RuntimeError.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool numeric = Conversions::isNumeric(text);
    const double value = Conversions::leadingNumber(text);
    // Whatever passes the numeric test must parse to a number, never to NaN.
    if (numeric && value != value)
        std::abort();
    try {
        // The plain form keeps seven significant digits, so smaller whole numbers read back
        // exactly.
        const qint32 rounded = Conversions::toInt32(value);
        if (std::abs(rounded) < 10000000
            && Conversions::leadingNumber(Conversions::plainNumberText(rounded)) != rounded)
            std::abort();
    } catch (const RuntimeError&) { }
    Conversions::trimBlanks(text);
    return 0;
}
