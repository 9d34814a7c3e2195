# SPDX-License-Identifier: GPL-2.0-or-later
# A stand-in for the session's screen-saver service: answers Inhibit with a new cookie and logs
# each call, one line per call, to the file named first on the command line.
import sys
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib


class ScreenSaver(dbus.service.Object):
    cookies = 0

    @dbus.service.method("org.freedesktop.ScreenSaver", in_signature="ss", out_signature="u")
    def Inhibit(self, application, reason):
        ScreenSaver.cookies += 1
        return log("Inhibit", ScreenSaver.cookies)

    @dbus.service.method("org.freedesktop.ScreenSaver", in_signature="u")
    def UnInhibit(self, cookie):
        log("UnInhibit", cookie)


def log(call, cookie):
    with open(sys.argv[1], "a") as calls:
        print(call, cookie, file=calls)
    return cookie


DBusGMainLoop(set_as_default=True)
name = dbus.service.BusName("org.freedesktop.ScreenSaver", dbus.SessionBus())
ScreenSaver(name, "/org/freedesktop/ScreenSaver")
GLib.MainLoop().run()
