// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

#include <optional>

class QPainter;
class QRandomGenerator;

// How one picture of the show gives way to the next. None is a plain cut; Random picks one of
// the others at each picture.
enum class TransitionKind { None, Fade, Slide, Push, Zoom, Wipe, Random };

// The stored and typed name: "none", "fade", "slide", "push", "zoom", "wipe", "random".
QString transitionName(TransitionKind kind);
// Any case; nothing for a name that is not one of them.
std::optional<TransitionKind> transitionFromName(const QString& name);

// One of the moving kinds, never the one before, so that Random shows a change at each picture.
TransitionKind pickRandomTransition(TransitionKind previous, QRandomGenerator& random);

// The two screens a transition goes between: each the background with its picture at its place.
struct TransitionFrames
{
    QImage old;
    QRect oldRect;
    QImage next;
    QRect nextRect;
    QColor background;
};

// Paints the area at progress 0 (the old screen) to 1 (the new one). A new picture with
// transparent parts that fades in must already lie on the background (flattenOn), so that it
// does not let the old picture through.
void paintTransition(QPainter& painter, const QRect& area, TransitionKind kind, qreal progress,
    const TransitionFrames& frames);

// The picture on the background colour, opaque; an opaque picture as it is.
QImage flattenOn(const QImage& picture, const QColor& background);
