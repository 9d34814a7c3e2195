// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/metafile/EmfDrawing.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <dlfcn.h>
#include <emf2svg.h>
#include <memory>
#include <optional>
#include <uemf_safe.h>

namespace {

// libUEMF exports functions under the same names as libemf2svg and libwmf, so it is loaded on its
// own, its names bound to itself first, where it cannot displace theirs.
decltype(&U_emf_record_safe) recordCheck()
{
    void* library = dlopen("libuemf.so.0", RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND);
    return library
        ? reinterpret_cast<decltype(&U_emf_record_safe)>(dlsym(library, "U_emf_record_safe"))
        : nullptr;
}

// libemf2svg trusts the sizes and offsets inside each record; libUEMF's checks catch the ones that
// point outside their record. The record sizes themselves have been checked already.
bool recordsAreSafe(const QByteArray& records, decltype(&U_emf_record_safe) isSafe)
{
    qsizetype position = 0;
    while (position < records.size()) {
        const char* record = records.constData() + position;
        if (!isSafe(record))
            return false;
        position += qFromLittleEndian<quint32>(record + 4);
    }
    return true;
}

QRectF rectangleAt(const QByteArray& records, qsizetype offset)
{
    const auto at = [&](qsizetype index) {
        return double(qFromLittleEndian<qint32>(records.constData() + offset + 4 * index));
    };
    return QRectF(QPointF(at(0), at(1)), QPointF(at(2), at(3)));
}

// libemf2svg draws the box of the ink (the header's bounds, in device pixels) scaled to fit the
// size it is given. The picture is the frame, in hundredths of a millimetre; this is the frame
// in the same device pixels, from the reference device's size in pixels and in millimetres.
// Empty when the header gives no sensible answer.
QRectF frameInDevicePixels(const QByteArray& records)
{
    const QRectF frame = rectangleAt(records, 24);
    const auto at = [&](qsizetype offset) {
        return double(qFromLittleEndian<qint32>(records.constData() + offset));
    };
    const double pixelsWide = at(72);
    const double pixelsHigh = at(76);
    const double millimetresWide = at(80);
    const double millimetresHigh = at(84);
    if (frame.isEmpty() || pixelsWide <= 0 || pixelsHigh <= 0 || millimetresWide <= 0
        || millimetresHigh <= 0)
        return {};
    const double xScale = pixelsWide / (millimetresWide * 100);
    const double yScale = pixelsHigh / (millimetresHigh * 100);
    return QRectF(frame.left() * xScale, frame.top() * yScale, frame.width() * xScale,
        frame.height() * yScale);
}

} // namespace

QString drawEmf(QByteArray records, QImage& image)
{
    const auto isSafe = recordCheck();
    if (!isSafe)
        return QStringLiteral("libuemf.so.0 cannot be loaded");
    if (!recordsAreSafe(records, isSafe))
        return QStringLiteral("The EMF file is damaged");

    generatorOptions options {};
    // A namespace prefix on the elements makes the SVG unreadable for QSvgRenderer.
    options.nameSpace = nullptr;
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    // Asked for the ink's box at this scale, libemf2svg draws one device pixel as `scale` SVG
    // units, with the box's corner at the origin; the frame is then cut out of that by the view
    // box. Without a usable box or frame, the whole drawing fills the picture.
    const QRectF ink = rectangleAt(records, 8);
    const QRectF frame = frameInDevicePixels(records);
    QRectF viewBox;
    if (!ink.isEmpty() && !frame.isEmpty()) {
        const double scale =
            std::max(image.width() / frame.width(), image.height() / frame.height());
        options.imgWidth = ink.width() * scale;
        options.imgHeight = ink.height() * scale;
        viewBox = QRectF((frame.topLeft() - ink.topLeft()) * scale, frame.size() * scale);
    } else {
        options.imgWidth = image.width();
        options.imgHeight = image.height();
    }

    char* svg = nullptr;
    size_t svgLength = 0;
    const int converted =
        emf2svg(records.data(), size_t(records.size()), &svg, &svgLength, &options);
    const std::unique_ptr<char, decltype(&std::free)> owner(svg, &std::free);
    if (!converted || !svg || svgLength == 0)
        return QStringLiteral("The EMF records cannot be converted");

    // Text needs the font database, which only a GUI application has; starting one costs time,
    // so pictures without text go without it.
    std::optional<QGuiApplication> fonts;
    const QByteArray svgText = QByteArray::fromRawData(svg, qsizetype(svgLength));
    if (svgText.contains("<text")) {
        static int argc = 1;
        static char name[] = "slidewell-metafile";
        static char* argv[] = { name, nullptr };
        qputenv("QT_QPA_PLATFORM", "offscreen");
        fonts.emplace(argc, argv);
    }
    QSvgRenderer renderer(svgText);
    if (!renderer.isValid())
        return QStringLiteral("The EMF records gave no drawable picture");
    if (!viewBox.isEmpty())
        renderer.setViewBox(viewBox);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(image.rect()));
    return {};
}
