// SPDX-License-Identifier: GPL-2.0-or-later
// The BMP reader on arbitrary file content: whatever its headers claim, opening and decoding end
// in a picture of the size the header gave or in an error, never in a crash or an overrun.
#include "pictures/BmpDecoder.h"

#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    BmpDecoder decoder;
    if (!decoder.open(path)) {
        if (decoder.errorString().isEmpty())
            std::abort();
        return 0;
    }
    const QImage image = decoder.decode();
    if (image.isNull() ? decoder.errorString().isEmpty() : image.size() != decoder.size())
        std::abort();
    return 0;
}
