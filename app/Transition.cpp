// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/Transition.h"

#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <array>

namespace {

struct Named
{
    TransitionKind kind;
    const char* name;
};

constexpr std::array<Named, 7> names { { { TransitionKind::None, "none" },
    { TransitionKind::Fade, "fade" }, { TransitionKind::Slide, "slide" },
    { TransitionKind::Push, "push" }, { TransitionKind::Zoom, "zoom" },
    { TransitionKind::Wipe, "wipe" }, { TransitionKind::Random, "random" } } };

constexpr std::array<TransitionKind, 5> moving { TransitionKind::Fade, TransitionKind::Slide,
    TransitionKind::Push, TransitionKind::Zoom, TransitionKind::Wipe };

// One whole screen: the background, and the picture at its place, moved by offset and seen only
// within visible.
void paintScreen(QPainter& painter, const QRect& area, const QImage& picture, const QRect& at,
    const QPoint& offset, const QRect& visible, qreal opacity, const QColor& background)
{
    painter.save();
    painter.setClipRect(visible);
    painter.translate(offset);
    painter.setOpacity(opacity);
    painter.save();
    // Around an opaque picture only: below it the background would show through a fade.
    if (!picture.hasAlphaChannel())
        painter.setClipRegion(QRegion(area).subtracted(at), Qt::IntersectClip);
    painter.fillRect(area, background);
    painter.restore();
    if (!at.isEmpty())
        painter.drawImage(at, picture);
    painter.restore();
}

// The rectangle grown from its centre to progress times its size.
QRect grown(const QRect& rect, qreal progress)
{
    const QSize size(qRound(rect.width() * progress), qRound(rect.height() * progress));
    return QRect(rect.center() - QPoint(size.width() / 2, size.height() / 2), size);
}

} // namespace

QString transitionName(TransitionKind kind)
{
    for (const Named& named : names) {
        if (named.kind == kind)
            return QLatin1String(named.name);
    }
    return QString();
}

std::optional<TransitionKind> transitionFromName(const QString& name)
{
    for (const Named& named : names) {
        if (name.compare(QLatin1String(named.name), Qt::CaseInsensitive) == 0)
            return named.kind;
    }
    return std::nullopt;
}

TransitionKind pickRandomTransition(TransitionKind previous, QRandomGenerator& random)
{
    const auto last = std::find(moving.begin(), moving.end(), previous);
    if (last == moving.end())
        return moving[random.bounded(int(moving.size()))];
    // One of the four others: a step of 1 to 4 from the one before, round the list.
    const auto step = random.bounded(1, int(moving.size()));
    return moving[(std::distance(moving.begin(), last) + step) % moving.size()];
}

void paintTransition(QPainter& painter, const QRect& area, TransitionKind kind, qreal progress,
    const TransitionFrames& frames)
{
    const qreal done = std::clamp(progress, 0.0, 1.0);
    const int shift = qRound(area.width() * done);
    const QColor& background = frames.background;
    paintScreen(painter, area, frames.old, frames.oldRect,
        QPoint(kind == TransitionKind::Push ? -shift : 0, 0), area, 1, background);
    switch (kind) {
    case TransitionKind::Slide:
    case TransitionKind::Push:
        paintScreen(painter, area, frames.next, frames.nextRect, QPoint(area.width() - shift, 0),
            area, 1, background);
        break;
    case TransitionKind::Wipe:
        paintScreen(painter, area, frames.next, frames.nextRect, QPoint(),
            QRect(area.topLeft(), QSize(shift, area.height())), 1, background);
        break;
    case TransitionKind::Zoom:
        paintScreen(painter, area, frames.next, grown(frames.nextRect, done), QPoint(), area, done,
            background);
        break;
    default:
        paintScreen(painter, area, frames.next, frames.nextRect, QPoint(), area,
            kind == TransitionKind::Fade ? done : 1, background);
        break;
    }
}

QImage flattenOn(const QImage& picture, const QColor& background)
{
    if (!picture.hasAlphaChannel())
        return picture;
    QImage flat(picture.size(), QImage::Format_RGB32);
    flat.fill(background);
    QPainter painter(&flat);
    painter.drawImage(0, 0, picture);
    return flat;
}
