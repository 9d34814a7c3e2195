// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

// Keeps the screen saver and the display's power saving away while held: through the session
// bus's screen-saver service where one runs, otherwise through the X server's screen-saver
// extension. Both end with the program: the bus forgets a client that has gone, and the X server
// resumes its screen saver when the connection that suspended it closes.
class ScreenSaverInhibitor
{
public:
    ScreenSaverInhibitor() = default;
    ScreenSaverInhibitor(const ScreenSaverInhibitor&) = delete;
    ScreenSaverInhibitor& operator=(const ScreenSaverInhibitor&) = delete;
    ~ScreenSaverInhibitor() { release(); }

    // Holds the screen saver off, naming the reason to the session; held already, nothing more.
    void hold(const QString& reason);
    void release();
    bool isHeld() const { return m_cookie != 0 || m_x11Suspended; }

private:
    quint32 m_cookie = 0;
    bool m_x11Suspended = false;
};
