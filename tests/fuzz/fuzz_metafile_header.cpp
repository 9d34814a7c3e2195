// SPDX-License-Identifier: GPL-2.0-or-later
// The metafile header reader on arbitrary bytes: what it accepts must stay within the data and
// have a size.
#include "pictures/MetafileHeader.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const MetafileKind announced = MetafileHeader::detect(bytes);
    MetafileHeader header;
    if (!header.read(bytes)) {
        if (header.errorString().isEmpty())
            std::abort();
        return 0;
    }
    if (header.kind() == MetafileKind::None || header.kind() != announced
        || header.naturalSize().isEmpty() || header.recordsLength() <= 0
        || header.recordsLength() > bytes.size())
        std::abort();
    return 0;
}
