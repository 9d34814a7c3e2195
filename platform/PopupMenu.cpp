// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/PopupMenu.h"

#include <QMenu>

int trackPopupMenu(QWidget* owner, const QList<PopupMenuItem>& items, const QPoint& at)
{
    QMenu menu(owner);
    // A name lets real-window tests find the menu among the program's windows.
    menu.setWindowTitle(QStringLiteral("Slidewell Show Menu"));
    for (const PopupMenuItem& item : items)
        menu.addAction(item.text)->setData(item.id);
    const QAction* chosen = menu.exec(at);
    return chosen ? chosen->data().toInt() : 0;
}
