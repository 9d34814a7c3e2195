// SPDX-License-Identifier: GPL-2.0-or-later
// The metafile helper's drawing on arbitrary bytes, in process so that the sanitizers see it: as
// the helper does, only what the header reader accepts is drawn, at a small size.
#include "pictures/MetafileHeader.h"
#include "pictures/metafile/EmfDrawing.h"
#include "pictures/metafile/WmfDrawing.h"

#include <QByteArray>
#include <QImage>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    MetafileHeader header;
    if (!header.read(bytes))
        return 0;
    bytes.truncate(header.recordsLength());
    QImage image(64, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (header.kind() == MetafileKind::Emf)
        drawEmf(bytes, image);
    else
        drawWmf(bytes, image);
    return 0;
}
