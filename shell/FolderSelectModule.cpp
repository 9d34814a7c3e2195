// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/FolderSelectModule.h"

#include <QFileDialog>
#include <QFileInfo>

QString BrowseForFolder(QWidget* ownerWindow, const QString& startFolder, const QString& title,
    bool includeFiles, bool newDialogStyle)
{
    Q_UNUSED(includeFiles);
    Q_UNUSED(newDialogStyle);
    // Qt's own dialog behaves the same on every desktop; it shows the selected path while browsing.
    QFileDialog dialog(ownerWindow, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (!startFolder.isEmpty() && QFileInfo(startFolder).isDir())
        dialog.setDirectory(startFolder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
