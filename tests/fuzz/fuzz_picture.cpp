// SPDX-License-Identifier: GPL-2.0-or-later
// The picture loader on arbitrary file content: the bytes become a file whose name says nothing
// of its format, which is opened and, when its header passes, decoded at a small fitted size as
// the show would.
#include "pictures/PictureLoader.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QString inputPath()
{
    // Image format plug-ins are found through the application's library paths.
    static int argc = 1;
    static char name[] = "fuzz_picture";
    static char* argv[] = { name, nullptr };
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    return dir.filePath(QStringLiteral("input.bmp"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = inputPath();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    PictureFile picture;
    if (!picture.open(path)) {
        if (picture.errorString().isEmpty())
            std::abort();
        return 0;
    }
    const QSize natural = picture.naturalSize();
    if (natural.isEmpty() || qint64(natural.width()) * natural.height() > PictureFile::pixelBudget)
        std::abort();
    // Fitted into 256 x 256 with the proportions kept, at least one pixel each way.
    const QSize shown = natural.scaled(256, 256, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    const QImage image = picture.decode(shown);
    if (image.isNull() ? picture.errorString().isEmpty() : image.size().isEmpty())
        std::abort();
    return 0;
}
