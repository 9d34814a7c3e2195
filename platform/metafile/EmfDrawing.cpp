// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/metafile/EmfDrawing.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>

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
    options.imgWidth = image.width();
    options.imgHeight = image.height();

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
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(image.rect()));
    return {};
}
