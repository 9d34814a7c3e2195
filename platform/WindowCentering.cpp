// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/WindowCentering.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace {

// How long start-up waits at most for the window manager to announce a frame.
constexpr int announceMilliseconds = 500;

struct FreeReply
{
    void operator()(void* reply) const { std::free(reply); }
};
using PropertyReply = std::unique_ptr<xcb_get_property_reply_t, FreeReply>;

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const std::unique_ptr<xcb_intern_atom_reply_t, FreeReply> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, qstrlen(name), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

PropertyReply property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name,
    xcb_atom_t type, quint32 length)
{
    return PropertyReply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, name, type, 0, length), nullptr));
}

// The frame that an X11 window manager will draw around a window that is not mapped yet, as
// it announces on request (_NET_REQUEST_FRAME_EXTENTS); no margins when it cannot tell.
QMargins announcedFrame(QWidget* window)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return {};
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t request = atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = atom(connection, "_NET_FRAME_EXTENTS");
    const PropertyReply supported =
        property(connection, root, atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 1024);
    if (!supported || supported->format != 32)
        return {};
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(supported.get()));
    const int count = xcb_get_property_value_length(supported.get()) / 4;
    if (std::find(atoms, atoms + count, request) == atoms + count)
        return {};

    const auto id = xcb_window_t(window->winId());
    xcb_client_message_event_t message {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(connection, 0, root,
        XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
        reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
    QElapsedTimer waited;
    waited.start();
    while (!waited.hasExpired(announceMilliseconds)) {
        const PropertyReply reply = property(connection, id, extents, XCB_ATOM_CARDINAL, 4);
        if (reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) == 16) {
            const auto* sides = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
            return QMargins(int(sides[0]), int(sides[2]), int(sides[1]), int(sides[3]));
        }
        QThread::msleep(2);
    }
    return {};
}

// Lives on a window's native handle until the handle's first exposure, then centres the window
// again by the frame that it really has, for window managers that announce none or another.
class CenterWhenExposed : public QObject
{
public:
    CenterWhenExposed(QWidget* window, QWindow* handle)
        : QObject(handle)
        , m_window(window)
    {
        handle->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            deleteLater();
            centerWindowOnScreen(m_window);
        }
        return false;
    }

private:
    QWidget* m_window;
};

} // namespace

void centerWindowOnScreen(QWidget* window)
{
    // A shown window's margins are read afresh from the window manager after every change of
    // its geometry; QWidget::frameGeometry() can lag behind a change of decoration.
    QWindow* handle = window->windowHandle();
    const bool shown = handle && handle->isExposed();
    const QMargins frame = shown ? handle->frameMargins() : announcedFrame(window);
    const QScreen* screen = window->screen();
    const QRect area = screen->geometry();
    const int outerWidth = window->width() + frame.left() + frame.right();
    const int outerHeight = window->height() + frame.top() + frame.bottom();
    const int left = area.left() + (area.width() - outerWidth) / 2 + frame.left();
    const int top =
        std::max(screen->availableGeometry().top(), area.top() + (area.height() - outerHeight) / 2)
        + frame.top();
    // setGeometry places the client area itself, so a later change of the title bar leaves it
    // where it is.
    window->setGeometry(left, top, window->width(), window->height());
    if (!shown) {
        handle = window->windowHandle();
        if (handle && !handle->findChild<CenterWhenExposed*>({}, Qt::FindDirectChildrenOnly))
            new CenterWhenExposed(window, handle);
    }
}
