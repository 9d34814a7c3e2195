// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

class QWidget;

// Shows a modal folder picker with the title line given, opening at startFolder when it names a
// folder, and returns the chosen folder's full path, or empty text on cancel. includeFiles and
// newDialogStyle are accepted for the callers' sake; the picker always offers folders only.
QString BrowseForFolder(QWidget* ownerWindow, const QString& startFolder, const QString& title,
    bool includeFiles, bool newDialogStyle);
