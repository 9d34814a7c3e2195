// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "app/Transition.h"

#include <QWidget>

// Covers the show's surface while one picture gives way to the next, painting both screens as the
// transition's progress says; hidden otherwise. Its background is the surface's colour.
class TransitionControl : public QWidget
{
    Q_OBJECT
public:
    explicit TransitionControl(QWidget* parent = nullptr);

    bool isRunning() const { return m_kind != TransitionKind::None; }
    TransitionKind kind() const { return m_kind; }
    // Rectangles in the parent's coordinates, which this control covers.
    void start(
        TransitionKind kind, QImage old, const QRect& oldRect, QImage next, const QRect& nextRect);
    // The new picture's next frame, when it is animated.
    void setNextPicture(const QImage& next);
    void setProgress(qreal progress);
    // Hidden, and both pictures released.
    void finish();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TransitionKind m_kind = TransitionKind::None;
    TransitionFrames m_frames;
    qreal m_progress = 0;
};
