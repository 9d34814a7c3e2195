// SPDX-License-Identifier: GPL-2.0-or-later
// The number conversions on arbitrary text, and the wildcard matcher with the text's first line
// as the pattern and the rest as the name.
#include "platform/Conversions.h"
#include "platform/DirectorySearch.h"
#include "platform/RuntimeError.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const double value = Conversions::leadingNumber(text);
    if (Conversions::isNumeric(text) && std::isnan(value))
        std::abort();
    try {
        // The plain form keeps seven significant digits: smaller whole numbers read back exactly.
        const qint32 rounded = Conversions::toInt32(value);
        if (std::abs(rounded) < 10000000
            && Conversions::leadingNumber(Conversions::plainNumberText(rounded)) != rounded)
            std::abort();
    } catch (const RuntimeError&) { }

    const QString pattern = text.section(u'\n', 0, 0);
    const QString name = text.section(u'\n', 1);
    DirectorySearch::matches(pattern, name);
    // A name always matches "*", and itself unless its own wildcards, ";" or final dot make it
    // mean more as a pattern.
    if (!DirectorySearch::matches(QStringLiteral("*"), name)
        || (!name.contains(u'*') && !name.contains(u'?') && !name.contains(u';')
            && !name.endsWith(u'.') && !DirectorySearch::matches(name, name)))
        std::abort();
    return 0;
}
