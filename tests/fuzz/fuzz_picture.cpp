// SPDX-License-Identifier: GPL-2.0-or-later
// The picture pipeline on arbitrary file content. The bytes become a file whose name says nothing
// of its format, which is opened and, when its header passes, decoded at a small fitted size as
// the show would.
#include "pictures/MetafileHeader.h"
#include "pictures/PictureLoader.h"
#include "pictures/metafile/EmfPlayer.h"
#include "pictures/metafile/WmfPlayer.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Image format plug-ins are found through the application's library paths, and the
    // metafiles' text needs the font database, which only a GUI application has.
    static int argc = 1;
    static char name[] = "fuzz_picture";
    static char* argv[] = { name, nullptr };
    [[maybe_unused]] static const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(argc, argv);
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.bmp"));
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(bytes) != bytes.size())
            std::abort();
    }
    PictureFile picture;
    if (!picture.open(path)) {
        if (picture.errorString().isEmpty())
            std::abort();
        return 0;
    }
    const QSize natural = picture.naturalSize();
    if (natural.isEmpty())
        std::abort();
    if (picture.isMetafile()) {
        // Played as the metafile helper plays it, up to the end record that its header check
        // found, but in process so that the sanitizers see the player.
        MetafileHeader header;
        if (!header.read(bytes) || header.recordsLength() > bytes.size())
            std::abort();
        bytes.truncate(header.recordsLength());
        QImage image(64, 48, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        header.kind() == MetafileKind::Emf ? playEmf(bytes, image) : playWmf(bytes, image);
        return 0;
    }
    // A metafile is drawn at the size shown; the budget holds for the pixels of the others.
    if (qint64(natural.width()) * natural.height() > PictureFile::pixelBudget)
        std::abort();
    // Fitted into 256 x 256 with the proportions kept, at least one pixel each way.
    const QSize shown = natural.scaled(256, 256, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    const QImage image = picture.decode(shown);
    if (image.isNull() ? picture.errorString().isEmpty() : image.size() != shown)
        std::abort();
    return 0;
}
