// SPDX-License-Identifier: GPL-2.0-or-later
// slidewell-metafile FILE WIDTH HEIGHT: draws one EMF or WMF file at WIDTH x HEIGHT pixels and
// writes them to standard output as premultiplied 32-bit ARGB rows, top to bottom. The show runs
// it in its own process, so that a fault in the player costs one picture, not the show. Exit
// status 0 on success; otherwise a reason on standard error.
#include "pictures/MetafileHeader.h"
#include "pictures/metafile/EmfPlayer.h"
#include "pictures/metafile/WmfPlayer.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

constexpr qint64 largestFile = 256 * 1024 * 1024;
constexpr int largestSide = 16384;

int failWith(const QString& text)
{
    std::fprintf(stderr, "slidewell-metafile: %s\n", qPrintable(text));
    return EXIT_FAILURE;
}

bool writeAll(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        const auto bytes = size_t(image.width()) * 4;
        if (std::fwrite(image.constScanLine(y), 1, bytes, stdout) != bytes)
            return false;
    }
    return std::fflush(stdout) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return failWith(QStringLiteral("usage: slidewell-metafile FILE WIDTH HEIGHT"));
    bool widthOk = false;
    bool heightOk = false;
    const int width = QByteArray(argv[2]).toInt(&widthOk);
    const int height = QByteArray(argv[3]).toInt(&heightOk);
    if (!widthOk || !heightOk || width < 1 || height < 1 || width > largestSide
        || height > largestSide)
        return failWith(QStringLiteral("Invalid picture size"));

    QFile file(QFile::decodeName(argv[1]));
    if (!file.open(QIODevice::ReadOnly))
        return failWith(file.errorString());
    if (file.size() > largestFile)
        return failWith(QStringLiteral("File too large"));
    QByteArray data = file.read(largestFile + 1);
    if (data.size() > largestFile)
        return failWith(QStringLiteral("File too large"));

    MetafileHeader header;
    if (!header.read(data))
        return failWith(header.errorString());
    // The player gets exactly the checked records, never the bytes after the end record.
    data.truncate(header.recordsLength());
    const bool emf = header.kind() == MetafileKind::Emf;

    // Text needs the font database, which only a GUI application has; starting one costs time,
    // so pictures without text go without it.
    std::optional<QGuiApplication> fonts;
    if (emf ? emfHasText(data) : wmfHasText(data)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        fonts.emplace(argc, argv);
    }

    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return failWith(QStringLiteral("Out of memory"));
    image.fill(Qt::transparent);
    const QString error = emf ? playEmf(data, image) : playWmf(data, image);
    if (!error.isEmpty())
        return failWith(error);
    if (!writeAll(image))
        return failWith(QStringLiteral("Cannot write the picture"));
    return EXIT_SUCCESS;
}
