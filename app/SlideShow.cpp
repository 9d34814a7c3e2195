// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/SlideShow.h"

#include "platform/RuntimeError.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QThreadPool>

#include <memory>
#include <utility>

namespace {

constexpr int pathNotFound = 76;
constexpr qsizetype historyLimit = 500;

} // namespace

SlideShow::SlideShow(ShowLoader::Mode mode, std::function<ClientArea()> clientArea, QObject* parent)
    : QObject(parent)
    , m_clientArea(std::move(clientArea))
    , m_startDirectory(QDir::currentPath())
    , m_mode(mode)
    , m_loader(mode)
{
    m_timer.setInterval(3000);
    connect(&m_timer, &QTimer::timeout, this, &SlideShow::showNext);
    connect(&m_loader, &ShowLoader::loaded, this, &SlideShow::loaded);
    connect(&m_animation, &AnimationPlayer::frameDue, this, &SlideShow::frameDue);
}

QString SlideShow::absoluteFolder(const QString& folderText) const
{
    if (!QDir::isRelativePath(folderText))
        return folderText;
    return m_startDirectory.endsWith(u'/') ? m_startDirectory + folderText
                                           : m_startDirectory + u'/' + folderText;
}

QString SlideShow::search(const QString& folder, const QString& pattern)
{
    ++m_listGeneration;
    m_listing = false;
    m_folder = folder.endsWith(u'/') ? folder : folder + u'/';
    m_pattern = pattern;
    const DirectorySearch::Result found = m_search.first(m_folder + m_pattern);
    m_currentImageFile = found.name;
    if (!found.error.isEmpty())
        throw RuntimeError(pathNotFound, QStringLiteral("Dir"), found.error);
    return m_currentImageFile;
}

void SlideShow::setSearchOptions(bool subfolders, bool shuffled, bool reversed)
{
    m_search.setSubfolders(subfolders);
    m_search.setShuffled(shuffled);
    m_search.setReversed(reversed);
}

void SlideShow::begin()
{
    dropLoads();
    m_history.clear();
    m_stepped.clear();
    m_state = State::Running;
}

void SlideShow::setInterval(qint32 interval)
{
    if (interval < 0 || interval > 65535)
        throw RuntimeError(RuntimeError::InvalidPropertyValue, QStringLiteral("Timer"),
            QStringLiteral("Invalid property value"));
    m_timer.setInterval(interval);
}

void SlideShow::enableTimer()
{
    if (m_timer.interval() > 0)
        m_timer.start();
}

void SlideShow::showNext()
{
    if (m_tickWaits || m_listing) {
        m_tickDropped = true;
        return;
    }
    QString name;
    if (!m_stepped.isEmpty()) {
        name = m_stepped.takeLast();
    } else {
        name = m_currentImageFile;
        advance();
    }
    m_history.append(name);
    if (m_history.size() > historyLimit)
        m_history.removeFirst();
    present(name);
}

void SlideShow::skipForward()
{
    m_tickWaits = false;
    m_tickDropped = false;
    restartTimer();
    showNext();
}

void SlideShow::skipBack()
{
    if (m_history.size() < 2)
        return;
    restartTimer();
    m_stepped.append(m_history.takeLast());
    present(m_history.last());
}

void SlideShow::restartTimer()
{
    if (m_timer.isActive())
        m_timer.start();
}

void SlideShow::present(const QString& name)
{
    const QString path = m_folder + name;
    emit imageDue(name);
    const ClientArea area = m_clientArea();
    m_tickWaits = true;
    m_dueReadAhead = false;
    // The picture read ahead is under way for this very name and size: the tick waits for it.
    if (m_loading == path && m_aheadArea == area)
        return;
    std::optional<LoadedPicture> reuse;
    if (m_ahead && m_ahead->path == path && m_ahead->area == area)
        reuse = std::move(m_ahead);
    m_dueReadAhead = reuse.has_value();
    m_ahead.reset();
    m_loader.cancel();
    m_loading = path;
    m_loader.load(path, area, std::move(reuse));
}

void SlideShow::advance()
{
    // When the folder has gone or holds no match any more, the name stays empty and every tick
    // searches again, so the show resumes when files reappear.
    m_currentImageFile = m_search.next();
    if (!m_currentImageFile.isEmpty())
        return;
    if (m_mode == ShowLoader::Mode::Inline) {
        m_currentImageFile = m_search.first(m_folder + m_pattern).name;
        return;
    }
    // The folder is listed again on a thread of the pool: on a slow network folder or a large tree
    // that takes as long as reading a picture. Meanwhile ticks are dropped, since no name is due
    // yet. The new search keeps the show's options and the order of the round that ended.
    m_listing = true;
    QThreadPool::globalInstance()->start(
        [self = QPointer<SlideShow>(this), generation = m_listGeneration,
            pathPattern = m_folder + m_pattern,
            search = std::make_shared<DirectorySearch>(m_search)] {
            const QString first = search->first(pathPattern).name;
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, generation, search, first] {
                    if (self)
                        self->listed(generation, *search, first);
                },
                Qt::QueuedConnection);
        });
}

void SlideShow::listed(quint64 generation, const DirectorySearch& search, const QString& first)
{
    if (generation != m_listGeneration)
        return;
    m_listing = false;
    m_search = search;
    m_currentImageFile = first;
    if (!m_tickWaits)
        readAhead();
}

void SlideShow::loaded(const LoadedPicture& picture)
{
    m_loading.reset();
    if (!m_tickWaits) {
        if (!picture.picture.image.isNull())
            m_ahead = picture;
        return;
    }
    m_tickWaits = false;
    // A picture that kept ticks waiting gets its full interval from now, so it is not replaced
    // as soon as it appears.
    if (std::exchange(m_tickDropped, false) && m_timer.isActive())
        m_timer.start();
    m_animation.stop();
    if (picture.picture.image.isNull()) {
        emit imageFailed();
    } else {
        emit imageReady(picture.picture);
        if (picture.mayAnimate)
            m_animation.play(picture.path, picture.picture.image.size());
    }
    readAhead();
}

void SlideShow::readAhead()
{
    if (m_state != State::Running || m_loading || m_listing || m_currentImageFile.isEmpty())
        return;
    m_aheadArea = m_clientArea();
    m_loading = m_folder + m_currentImageFile;
    m_loader.load(*m_loading, m_aheadArea);
}

void SlideShow::pause()
{
    m_timer.stop();
    m_animation.stop();
    dropLoads();
    m_state = State::Paused;
}

void SlideShow::resume()
{
    dropLoads();
    m_state = State::Running;
    enableTimer();
}

void SlideShow::stop()
{
    m_timer.stop();
    m_animation.stop();
    dropLoads();
    m_ahead.reset();
    m_state = State::Idle;
}

void SlideShow::dropLoads()
{
    m_loader.cancel();
    m_loading.reset();
    m_tickWaits = false;
    m_tickDropped = false;
}
