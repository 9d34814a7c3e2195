// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TransitionControl.h"

#include <QPainter>

TransitionControl::TransitionControl(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TransitionControl::start(
    TransitionKind kind, QImage old, const QRect& oldRect, QImage next, const QRect& nextRect)
{
    m_kind = kind;
    m_progress = 0;
    const QColor background = palette().color(QPalette::Window);
    m_frames = { std::move(old), oldRect, flattenOn(next, background), nextRect, background };
    if (parentWidget())
        setGeometry(parentWidget()->rect());
    show();
    update();
}

void TransitionControl::setNextPicture(const QImage& next)
{
    if (!isRunning())
        return;
    m_frames.next = flattenOn(next, m_frames.background);
    update();
}

void TransitionControl::setProgress(qreal progress)
{
    m_progress = progress;
    update();
}

void TransitionControl::finish()
{
    m_kind = TransitionKind::None;
    m_frames = {};
    hide();
}

void TransitionControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The pictures are decoded close to their displayed size, so bilinear filtering is enough.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    paintTransition(painter, rect(), m_kind, m_progress, m_frames);
}
