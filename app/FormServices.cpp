// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/FormServices.h"

#include "controls/AboutForm.h"
#include "platform/MessageBox.h"
#include "shell/CommonDialogClass.h"
#include "shell/FolderSelectModule.h"
#include "shell/SharedFunctions.h"

#include <QCursor>

FormServices FormServices::standard()
{
    FormServices services;
    services.messageBox = showMessageBox;
    services.browseForFolder = [](QWidget* owner, const QString& start, const QString& title) {
        return BrowseForFolder(owner, start, title, false, false);
    };
    services.chooseColor = [](QWidget* owner, qint32 start) {
        // A fresh chooser per call: its custom colours start again from the system colours.
        CommonDialogClass chooser;
        qint32 color = start;
        chooser.VBChooseColor(color, true, true, false, owner);
        return color;
    };
    services.trackPopupMenu = ::trackPopupMenu;
    services.cursorPos = [] { return QCursor::pos(); };
    services.openWebPage = OpenWebPage;
    services.showAbout = [] {
        AboutForm about;
        about.exec();
    };
    services.loadInBackground = true;
    return services;
}
