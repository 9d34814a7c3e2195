// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

// Removes and restores the title bar of one top-level window, live and without moving or
// resizing its client area; the window's other decorations, state, position and size are left
// to the caller.
class clsStyle
{
public:
    // Attaches the helper to a window (nullptr detaches). The native window id is taken now and
    // not followed afterwards: assign again if the window is ever re-created.
    void setClient(QWidget* client);
    QWidget* Client() const { return mClient; }

    // Whether the title bar is shown. Without a client this reads false and writing does nothing.
    bool Titlebar() const;
    void setTitlebar(bool shown);

private:
    bool pSetTitlebarX11(bool shown);
    bool pTitlebarX11() const;

    QPointer<QWidget> mClient;
    WId mHwnd = 0;
};
