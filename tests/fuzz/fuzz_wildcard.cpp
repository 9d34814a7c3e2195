// SPDX-License-Identifier: GPL-2.0-or-later
// The wildcard matcher on arbitrary patterns and names: the first line is the pattern, the rest
// the name.
#include "platform/DirectorySearch.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = text.indexOf(u'\n');
    const QString pattern = split < 0 ? text : text.left(split);
    const QString name = split < 0 ? QString() : text.mid(split + 1);
    DirectorySearch::matches(pattern, name);
    // A name always matches "*" and itself unless the pattern's own wildcards or final dot change
    // its meaning.
    if (!DirectorySearch::matches(QStringLiteral("*"), name))
        std::abort();
    if (!name.contains(u'*') && !name.contains(u'?') && !name.endsWith(u'.')
        && !DirectorySearch::matches(name, name))
        std::abort();
    return 0;
}
