// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/SvgDecoder.h"

#include <QFile>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>

SvgDecoder::SvgDecoder() = default;

SvgDecoder::~SvgDecoder() = default;

bool SvgDecoder::refersOutside(const QByteArray& svg)
{
    // QtSvg follows only an image element's reference; "data:" is the picture itself. (Made per
    // call: a pattern shared between threads would be compiled lazily by all of them.)
    const QRegularExpression image(
        QStringLiteral("<(?:\\w+:)?image\\b[^>]*>"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpression reference(QStringLiteral("href\\s*=\\s*([\"'])\\s*(?!data:)"),
        QRegularExpression::CaseInsensitiveOption);
    const QString text = QString::fromUtf8(svg);
    for (auto it = image.globalMatch(text); it.hasNext();) {
        if (reference.match(it.next().captured()).hasMatch())
            return true;
    }
    return false;
}

bool SvgDecoder::open(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    if (file.size() > largestFile)
        return fail(QStringLiteral("The picture is too large"));
    const QByteArray svg = file.read(largestFile);
    if (svg.startsWith("\x1f\x8b"))
        return fail(QStringLiteral("Compressed SVG is not read"));
    if (refersOutside(svg))
        return fail(QStringLiteral("The picture refers to other files"));
    m_renderer = std::make_unique<QSvgRenderer>(svg);
    if (!m_renderer->isValid())
        return fail(QStringLiteral("The SVG file cannot be read"));
    m_size = m_renderer->defaultSize();
    return true;
}

QImage SvgDecoder::render(const QSize& pixelSize)
{
    QImage image(pixelSize, QImage::Format_ARGB32_Premultiplied);
    if (!m_renderer || image.isNull()) {
        m_errorString = QStringLiteral("The picture cannot be drawn");
        return QImage();
    }
    image.fill(Qt::transparent);
    QPainter painter(&image);
    m_renderer->render(&painter);
    return image;
}

bool SvgDecoder::fail(const QString& error)
{
    m_errorString = error;
    m_renderer.reset();
    return false;
}
