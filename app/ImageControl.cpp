// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/ImageControl.h"

#include <QMouseEvent>
#include <QPainter>

ImageControl::ImageControl(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ImageControl::setPicture(QImage picture)
{
    m_picture = std::move(picture);
    updateOpaque();
}

void ImageControl::setOpacity(qreal opacity)
{
    m_opacity = opacity;
    updateOpaque();
}

void ImageControl::updateOpaque()
{
    // A picture with transparent parts (icons, metafiles) lets the show's colour through, so only
    // an opaque one may skip the background below it.
    setAttribute(Qt::WA_OpaquePaintEvent, !m_picture.hasAlphaChannel() && m_opacity >= 1);
    update();
}

void ImageControl::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull() || m_opacity <= 0)
        return;
    QPainter painter(this);
    // The picture is decoded close to its displayed size, so bilinear filtering is enough.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(m_opacity);
    painter.drawImage(rect(), m_picture);
}

void ImageControl::mousePressEvent(QMouseEvent* event)
{
    emit mousePressed(event->button());
    event->accept();
}
