// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QList>
#include <QPoint>
#include <QString>

class QWidget;

struct PopupMenuItem
{
    int id;
    QString text;
};

// Opens a popup menu of the items, in their order, with its top-left corner at a screen position,
// keeps the caller until the user chooses or dismisses it, and returns the chosen item's id, or 0.
int trackPopupMenu(QWidget* owner, const QList<PopupMenuItem>& items, const QPoint& at);
