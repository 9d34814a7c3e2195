// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/AnimationPlayer.h"

#include "app/FittedPicture.h"
#include "pictures/PictureAnimation.h"
#include "pictures/PictureLoader.h"

#include <algorithm>
#include <sys/resource.h>
#include <utility>

// The decoding side, on the player's thread: one animation at a time.
class FrameDecoder : public QObject
{
public:
    void open(const QString& path, const QSize& pixelSize)
    {
        // As the show's reader: the window's thread comes first when they compete.
        setpriority(PRIO_PROCESS, 0, 10);
        m_animation.reset();
        PictureFile file;
        if (file.open(path))
            m_animation = std::make_unique<PictureAnimation>(file, pixelSize);
    }

    // The next frame ready for the screen and its delay; a null image when there is no further
    // frame: after a still picture's one, or when the file is damaged.
    QImage next(int* delay)
    {
        QImage frame;
        if (!m_animation || !m_animation->next(&frame, delay))
            return QImage();
        const QSize size = frame.size();
        return forScreen(std::move(frame), size);
    }

    void close() { m_animation.reset(); }

private:
    std::unique_ptr<PictureAnimation> m_animation;
};

AnimationPlayer::AnimationPlayer(QObject* parent)
    : QObject(parent)
    , m_decoder(std::make_unique<FrameDecoder>())
{
    m_decoder->moveToThread(&m_thread);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &AnimationPlayer::due);
}

AnimationPlayer::~AnimationPlayer()
{
    m_thread.quit();
    m_thread.wait();
    m_decoder->close();
}

void AnimationPlayer::play(const QString& path, const QSize& pixelSize)
{
    stop();
    if (!m_thread.isRunning())
        m_thread.start();
    m_open = true;
    m_onScreen = true;
    m_shownAt.start();
    QMetaObject::invokeMethod(
        m_decoder.get(),
        [decoder = m_decoder.get(), path, pixelSize] { decoder->open(path, pixelSize); },
        Qt::QueuedConnection);
    decodeNext();
}

void AnimationPlayer::stop()
{
    ++m_generation;
    m_timer.stop();
    m_next.reset();
    close();
}

void AnimationPlayer::close()
{
    if (!std::exchange(m_open, false))
        return;
    QMetaObject::invokeMethod(
        m_decoder.get(), [decoder = m_decoder.get()] { decoder->close(); }, Qt::QueuedConnection);
}

void AnimationPlayer::decodeNext()
{
    QMetaObject::invokeMethod(
        m_decoder.get(),
        [this, decoder = m_decoder.get(), generation = m_generation] {
            int delay = 0;
            const QImage frame = decoder->next(&delay);
            QMetaObject::invokeMethod(
                this, [=] { decoded(generation, frame, delay); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void AnimationPlayer::decoded(quint64 generation, const QImage& frame, int delay)
{
    if (generation != m_generation)
        return;
    if (frame.isNull()) {
        // The last frame shown stays.
        close();
        return;
    }
    if (std::exchange(m_onScreen, false)) {
        m_timer.start(std::max(qint64(0), delay - m_shownAt.elapsed()));
        decodeNext();
        return;
    }
    m_next = frame;
    m_nextDelay = delay;
    // A frame that took longer to decode than its predecessor's delay is shown at once.
    if (!m_timer.isActive())
        due();
}

void AnimationPlayer::due()
{
    if (!m_next)
        return;
    emit frameDue(*std::exchange(m_next, std::nullopt));
    m_timer.start(m_nextDelay);
    decodeNext();
}
