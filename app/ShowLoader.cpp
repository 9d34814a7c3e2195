// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/ShowLoader.h"

#include "pictures/PictureLoader.h"
#include "platform/RuntimeError.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QThreadPool>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// On Linux the nice value of a thread is its own.
constexpr int readerNice = 10;

std::optional<FileStamp> stampOf(const QString& path)
{
    struct stat info
    { };
    if (stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileStamp { quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size),
        qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec };
}

} // namespace

ShowLoader::ShowLoader(Mode mode, QObject* parent)
    : QObject(parent)
    , m_mode(mode)
{
    // Pictures are large and short-lived. Without a fixed threshold glibc raises it after the
    // first picture is freed, and the heaps of the pool's threads then keep every size of
    // picture they ever held; above it each picture goes back to the system when released.
    mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024);
    // Queued, so that the helper's process is let go of outside its own signal.
    connect(&m_renderer, &MetafileRenderer::finished, this, [this](const QImage& image) {
        QMetaObject::invokeMethod(
            this, [this, generation = m_generation, image] { drawn(generation, image); },
            Qt::QueuedConnection);
    });
}

void ShowLoader::load(
    const QString& path, const ClientArea& area, std::optional<LoadedPicture> reuse)
{
    Request request { path, area, std::move(reuse) };
    if (m_busy)
        m_waiting = std::move(request);
    else
        run(std::move(request));
}

void ShowLoader::cancel()
{
    ++m_generation;
    m_waiting.reset();
    if (m_drawing) {
        m_renderer.cancel();
        m_drawing.reset();
        m_busy = false;
    }
}

// Runs on a thread of the pool: everything here may wait on the file.
ShowLoader::Work ShowLoader::read(const Request& request, bool drawMetafiles)
{
    Work work;
    LoadedPicture& loaded = work.picture;
    loaded.path = request.path;
    loaded.area = request.area;
    const std::optional<FileStamp> stamp = stampOf(request.path);
    if (!stamp)
        return work;
    if (request.reuse && request.reuse->stamp == *stamp)
        return { *request.reuse, QSize() };
    loaded.stamp = *stamp;
    PictureFile file;
    if (!file.open(request.path))
        return work;
    try {
        const PictureFit fit = fitPicture(file.naturalSize(), request.area.width,
            request.area.height, request.area.devicePixelRatio);
        loaded.picture.size = fit.size;
        if (file.isMetafile() && !drawMetafiles)
            work.helperPixels = fit.devicePixels;
        else
            loaded.picture.image =
                forScreen(file.decodeForDisplay(fit.devicePixels), fit.devicePixels);
        // Only a picture of several frames goes to the animation player.
        loaded.mayAnimate = file.isAnimated();
    } catch (const RuntimeError&) {
        // A size that cannot be fitted: the picture cannot be shown.
    }
    return work;
}

void ShowLoader::run(Request request)
{
    m_busy = true;
    const quint64 generation = m_generation;
    if (m_mode == Mode::Inline) {
        readDone(generation, read(request, true));
        return;
    }
    QThreadPool::globalInstance()->start(
        [self = QPointer<ShowLoader>(this), generation, request = std::move(request)] {
            // The window's thread comes first when the two compete for a processor.
            setpriority(PRIO_PROCESS, 0, readerNice);
            const Work work = read(request, false);
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, generation, work] {
                    if (self)
                        self->readDone(generation, work);
                },
                Qt::QueuedConnection);
        });
}

void ShowLoader::readDone(quint64 generation, const Work& work)
{
    if (generation != m_generation) {
        m_busy = false;
        if (m_waiting)
            run(*std::exchange(m_waiting, std::nullopt));
        return;
    }
    if (work.helperPixels.isEmpty()) {
        deliver(work.picture);
        return;
    }
    m_drawing = work.picture;
    if (!m_renderer.start(work.picture.path, work.helperPixels)) {
        m_drawing.reset();
        deliver(work.picture);
    }
}

void ShowLoader::drawn(quint64 generation, const QImage& image)
{
    if (generation != m_generation || !m_drawing)
        return;
    LoadedPicture picture = *std::exchange(m_drawing, std::nullopt);
    picture.picture.image = image;
    deliver(picture);
}

void ShowLoader::deliver(const LoadedPicture& picture)
{
    m_busy = false;
    emit loaded(picture);
    if (!m_busy && m_waiting)
        run(*std::exchange(m_waiting, std::nullopt));
}
