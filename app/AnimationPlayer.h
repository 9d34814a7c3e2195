// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThread>
#include <QTimer>

#include <memory>
#include <optional>

class FrameDecoder;

// Plays the picture on screen when it is an animation: its frames are decoded one at a time at
// the size shown, on a thread of the player's own, and each is handed over once the frame before
// has had its delay. Besides the frame on screen at most one decoded frame waits here, and the
// window's thread never waits for a decode. A still picture ends after its one frame.
class AnimationPlayer : public QObject
{
    Q_OBJECT
public:
    explicit AnimationPlayer(QObject* parent = nullptr);
    ~AnimationPlayer() override;

    // The picture at path has just gone on screen, its first frame at pixelSize.
    void play(const QString& path, const QSize& pixelSize);
    // No further frame comes: the one on screen stays, the file is let go of.
    void stop();

signals:
    void frameDue(const QImage& frame);

private:
    void decodeNext();
    void decoded(quint64 generation, const QImage& frame, int delay);
    void due();
    void close();

    QThread m_thread;
    // Lives on m_thread and is used only there.
    std::unique_ptr<FrameDecoder> m_decoder;
    quint64 m_generation = 0;
    bool m_open = false;
    // The first frame decoded is the one already on screen: only its delay counts.
    bool m_onScreen = false;
    QElapsedTimer m_shownAt;
    QTimer m_timer;
    std::optional<QImage> m_next;
    int m_nextDelay = 0;
};
