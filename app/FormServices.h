// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/PopupMenu.h"

#include <QString>
#include <QtGlobal>

#include <functional>

class QWidget;

// Everything the main window does that waits for a person or leaves the program: message boxes,
// the choosers, the popup menu, the About window and the browser. Tests replace these with
// answers of their own, so no test ever blocks on a modal window.
struct FormServices
{
    std::function<void(QWidget* owner, const QString& text, const QString& title, int style)>
        messageBox;
    // The chosen folder's full path, or empty text on cancel.
    std::function<QString(QWidget* owner, const QString& startFolder, const QString& title)>
        browseForFolder;
    // 0x00BBGGRR on OK, -1 on cancel.
    std::function<qint32(QWidget* owner, qint32 startColor)> chooseColor;
    // Opens the menu at a screen position; the chosen item's id, or 0 when dismissed.
    std::function<int(QWidget* owner, const QList<PopupMenuItem>& items, const QPoint& at)>
        trackPopupMenu;
    // The mouse pointer's screen position now.
    std::function<QPoint()> cursorPos;
    std::function<void(const QString& address)> openWebPage;
    // Shows the About window modally and returns when it has been closed.
    std::function<void()> showAbout;
    // The show reads its pictures on the pool's threads; tests that leave this false have them
    // read at once on the calling thread.
    bool loadInBackground = false;

    // The real dialogs, menus and launcher.
    static FormServices standard();
};
