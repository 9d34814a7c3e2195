// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "app/AnimationPlayer.h"
#include "app/ShowLoader.h"
#include "platform/DirectorySearch.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

// The show's sequencing, apart from the window: the folder search, the name shown next, the
// timer and the state. Each tick asks the loader for the picture; while one is on screen the
// next is read ahead for the client area of that moment, so that the tick can show it at once.
class SlideShow : public QObject
{
    Q_OBJECT
public:
    enum class State { Idle, Running, Paused };

    // clientArea reads the window's client area when a picture is asked for.
    SlideShow(
        ShowLoader::Mode mode, std::function<ClientArea()> clientArea, QObject* parent = nullptr);

    // A relative folder text is taken from the directory the program started in, for as long
    // as it runs: the show itself changes the current directory.
    QString absoluteFolder(const QString& folderText) const;
    // Starts the folder search in the absolute folder; the first name, empty when nothing
    // matches or the folder does not exist. Throws RuntimeError when the folder cannot be read.
    QString search(const QString& folder, const QString& pattern);
    // How the searches that follow list the folder: with its subfolders, in a random order.
    void setSearchOptions(bool subfolders, bool shuffled, bool reversed);
    QString folder() const { return m_folder; }
    QString currentImageFile() const { return m_currentImageFile; }

    State state() const { return m_state; }
    // The show starts: Running, with the timer still off until enableTimer().
    void begin();
    // 0 to 65,535 ms, as the toolkit's timer took; anything else throws RuntimeError.
    void setInterval(qint32 interval);
    int interval() const { return m_timer.interval(); }
    // A timer at interval 0 is on but never ticks, so the first image stays.
    void enableTimer();
    bool isTicking() const { return m_timer.isActive(); }

    // The tick: the current name is due, its picture follows, the search moves on. A tick that
    // comes while the previous tick's picture is still loading is dropped, and that picture then
    // gets a full interval once it is shown.
    void showNext();
    // The keys: the next picture now, or the one shown before the current one, even while a
    // picture is still loading; a running timer starts its interval again.
    void skipForward();
    void skipBack();
    // Whether the picture due at the last step had been read ahead: it is shown at once.
    bool dueWasReadAhead() const { return m_dueReadAhead; }
    void pause();
    // Running again; the caller shows the next picture at once.
    void resume();
    // Idle: the timer stops, every load under way is dropped and nothing read ahead is kept.
    void stop();

signals:
    // A tick: the picture named is the one to show now (the caption names it).
    void imageDue(const QString& name);
    void imageReady(const FittedPicture& picture);
    // The due picture cannot be shown: the background stays for one interval.
    void imageFailed();
    // The next frame of the animated picture on screen, at its size.
    void frameDue(const QImage& frame);

private:
    void advance();
    void listed(quint64 generation, const DirectorySearch& search, const QString& first);
    void present(const QString& name);
    void restartTimer();
    void loaded(const LoadedPicture& picture);
    void readAhead();
    void dropLoads();

    std::function<ClientArea()> m_clientArea;
    QString m_startDirectory;
    ShowLoader::Mode m_mode;
    ShowLoader m_loader;
    QTimer m_timer;
    // Plays the picture on screen while it is shown and the show runs.
    AnimationPlayer m_animation;
    DirectorySearch m_search;
    QString m_folder; // absolute, with a final "/"
    QString m_pattern;
    QString m_currentImageFile;
    State m_state = State::Idle;
    // The folder is being listed again for a new round; a new search drops that listing.
    bool m_listing = false;
    quint64 m_listGeneration = 0;

    // What the loader is busy with: the path, and whether a tick waits for it.
    std::optional<QString> m_loading;
    bool m_tickWaits = false;
    bool m_tickDropped = false;
    ClientArea m_aheadArea;
    // The next picture, read ahead.
    std::optional<LoadedPicture> m_ahead;
    bool m_dueReadAhead = false;

    // The names shown, the current one last (at most historyLimit), and those stepped back over,
    // the nearest last.
    QStringList m_history;
    QStringList m_stepped;
};
