// SPDX-License-Identifier: GPL-2.0-or-later
// What a real-window test cannot see on a screenshot: "saver" prints whether the X screen saver
// is on, "cursor" whether the pointer is drawn blank, "timeout SECONDS" sets the saver's delay.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/scrnsaver.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char* argv[])
{
    Display* display = XOpenDisplay(nullptr);
    if (!display || argc < 2)
        return 2;
    if (!std::strcmp(argv[1], "saver")) {
        XScreenSaverInfo* info = XScreenSaverAllocInfo();
        XScreenSaverQueryInfo(display, DefaultRootWindow(display), info);
        std::puts(info->state == ScreenSaverOn ? "on" : "off");
    } else if (!std::strcmp(argv[1], "cursor")) {
        XFixesCursorImage* image = XFixesGetCursorImage(display);
        bool blank = true;
        for (int i = 0; image && i < image->width * image->height; ++i)
            blank = blank && (image->pixels[i] >> 24) == 0;
        std::puts(image && blank ? "blank" : "visible");
    } else if (argc > 2 && !std::strcmp(argv[1], "timeout")) {
        XSetScreenSaver(display, std::atoi(argv[2]), 0, PreferBlanking, AllowExposures);
    }
    XCloseDisplay(display);
    return 0;
}
