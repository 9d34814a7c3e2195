// SPDX-License-Identifier: GPL-2.0-or-later
// The metafile player on arbitrary bytes, in process so that the sanitizers see it: as the helper
// does, only what the header reader accepts is played, at a small size.
#include "pictures/MetafileHeader.h"
#include "pictures/metafile/EmfPlayer.h"
#include "pictures/metafile/WmfPlayer.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>

#include <cstddef>
#include <cstdint>

namespace {

// Text needs the font database, which only a GUI application has; one serves every input.
void startApplication()
{
    static int argc = 1;
    static char name[] = "fuzz_metafile_helper";
    static char* argv[] = { name, nullptr };
    if (QGuiApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(argc, argv);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    startApplication();
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    MetafileHeader header;
    if (!header.read(bytes))
        return 0;
    bytes.truncate(header.recordsLength());
    QImage image(64, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (header.kind() == MetafileKind::Emf)
        playEmf(bytes, image);
    else
        playWmf(bytes, image);
    return 0;
}
