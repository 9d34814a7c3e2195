// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/clsStyle.h"

#include <QGuiApplication>
#include <QWindow>

#include <array>
#include <cstdlib>
#include <xcb/xcb.h>

namespace {

// Motif window-manager hints: the one property that every X11 window manager reads to decide
// which decorations a window gets, changed live without unmapping the window.
constexpr quint32 motifHintsDecorations = 2;
constexpr quint32 motifDecorAll = 1;
constexpr quint32 motifDecorBorder = 2;
constexpr quint32 motifDecorTitle = 8;

xcb_connection_t* x11Connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t motifHintsAtom(xcb_connection_t* connection)
{
    static const char name[] = "_MOTIF_WM_HINTS";
    const auto cookie = xcb_intern_atom(connection, 0, sizeof name - 1, name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

} // namespace

void clsStyle::setClient(QWidget* client)
{
    mClient = client;
    mHwnd = client ? client->winId() : 0;
}

bool clsStyle::Titlebar() const
{
    if (!mClient || !mHwnd)
        return false;
    if (x11Connection())
        return pTitlebarX11();
    return !mClient->windowFlags().testFlag(Qt::FramelessWindowHint);
}

void clsStyle::setTitlebar(bool shown)
{
    if (!mClient || !mHwnd)
        return;
    if (x11Connection() && pSetTitlebarX11(shown))
        return;
    // Elsewhere the window flags are changed in place; a plain setWindowFlags() would hide and
    // re-show the window.
    Qt::WindowFlags flags = mClient->windowFlags();
    flags.setFlag(Qt::FramelessWindowHint, !shown);
    mClient->overrideWindowFlags(flags);
    if (QWindow* window = mClient->windowHandle())
        window->setFlags(flags);
}

bool clsStyle::pSetTitlebarX11(bool shown)
{
    xcb_connection_t* connection = x11Connection();
    const xcb_atom_t atom = motifHintsAtom(connection);
    if (atom == XCB_ATOM_NONE)
        return false;
    const std::array<quint32, 5> hints { motifHintsDecorations, 0,
        shown ? motifDecorAll : motifDecorBorder, 0, 0 };
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(mHwnd), atom, atom, 32,
        hints.size(), hints.data());
    xcb_flush(connection);
    return true;
}

bool clsStyle::pTitlebarX11() const
{
    xcb_connection_t* connection = x11Connection();
    const xcb_atom_t atom = motifHintsAtom(connection);
    if (atom == XCB_ATOM_NONE)
        return true;
    const auto cookie = xcb_get_property(connection, 0, xcb_window_t(mHwnd), atom, atom, 0, 5);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    bool shown = true;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 12) {
        const auto* hints = static_cast<const quint32*>(xcb_get_property_value(reply));
        if (hints[0] & motifHintsDecorations)
            shown = (hints[2] & motifDecorAll) || (hints[2] & motifDecorTitle);
    }
    std::free(reply);
    return shown;
}
