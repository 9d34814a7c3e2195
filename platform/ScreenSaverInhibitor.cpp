// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/ScreenSaverInhibitor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QLoggingCategory>

// Xlib's macros clash with Qt's names: its headers come last.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace {

Q_LOGGING_CATEGORY(lcScreenSaver, "slidewell.platform.screensaver")

const QString service = QStringLiteral("org.freedesktop.ScreenSaver");
// A session whose service does not answer must not hold up the show for long.
constexpr int callMilliseconds = 1000;

QDBusMessage call(const QString& method, const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        service, QStringLiteral("/org/freedesktop/ScreenSaver"), service, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, callMilliseconds);
}

Display* x11Display()
{
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

bool suspendX11(bool suspend)
{
    Display* display = x11Display();
    int event = 0;
    int error = 0;
    if (!display || !XScreenSaverQueryExtension(display, &event, &error))
        return false;
    XScreenSaverSuspend(display, suspend ? True : False);
    // A show that starts while the screen is blanked brings it back.
    if (suspend)
        XResetScreenSaver(display);
    XFlush(display);
    return true;
}

} // namespace

void ScreenSaverInhibitor::hold(const QString& reason)
{
    if (isHeld())
        return;
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    if (bus && bus->isServiceRegistered(service)) {
        const QDBusMessage reply =
            call(QStringLiteral("Inhibit"), { QCoreApplication::applicationName(), reason });
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
            m_cookie = reply.arguments().constFirst().toUInt();
        else
            qCWarning(lcScreenSaver) << "Inhibit failed:" << reply.errorMessage();
    }
    if (m_cookie == 0)
        m_x11Suspended = suspendX11(true);
}

void ScreenSaverInhibitor::release()
{
    if (m_cookie != 0) {
        call(QStringLiteral("UnInhibit"), { m_cookie });
        m_cookie = 0;
    }
    if (m_x11Suspended) {
        suspendX11(false);
        m_x11Suspended = false;
    }
}
