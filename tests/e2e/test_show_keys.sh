#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# --play opens straight into a full-screen show with the stored settings. Its keys: Right shows
# the next picture at once, Left the one before, Space pauses and resumes, Esc stops. The pointer
# hides after 2 s; the X screen saver (timeout 2 s) stays away while the show runs, comes when it
# is paused or stopped, and comes after a crash of the show. Through a session bus's screen-saver
# service, Inhibit and UnInhibit come in pairs.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/show_lib.sh"
e2e_init "$@"
probe=$(dirname "$SLIDEWELL")/tests/e2e_show_probe
[[ -x "$probe" ]] || e2e_fail "no probe at $probe"
e2e_start_display 1280x800
"$probe" timeout 2

folder=$E2E_TMP/pictures
mkdir -p "$folder" "$XDG_CONFIG_HOME/Slidewell"
convert -size 640x400 xc:'#ff0000' "BMP3:$folder/1.bmp"
convert -size 640x400 xc:'#00ff00' "BMP3:$folder/2.bmp"
convert -size 640x400 xc:'#0000ff' "BMP3:$folder/3.bmp"
printf '%s\n' '[Software\Slidewell]' 'screenSize=full' 'fileFormat=BMP' \
    'imageDelayInSeconds=4' 'backgroundColor=0' >"$XDG_CONFIG_HOME/Slidewell/Slidewell.conf"

# No session bus here: the X server's screen saver is suspended.
DBUS_SESSION_BUS_ADDRESS=disabled: e2e_start_app --play "$folder"
WINDOW=$(e2e_wait_window '^Slidewell$')
fullscreen() { e2e_window_state "$WINDOW" | grep -q _NET_WM_STATE_FULLSCREEN; }
e2e_until 10 fullscreen || e2e_fail "--play did not open into a full-screen show"
e2e_wait_region 4 4 1272 792 '#ff0000'

key_shows() { # KEY COLOR: the picture of that colour at once, well inside the 4 s interval
    xdotool key "$1"
    e2e_wait_region 4 4 1272 792 "$2" 2
}
key_shows Right '#00ff00'
key_shows Left '#ff0000'
key_shows Next '#00ff00'
key_shows Prior '#ff0000'

# Running: no screen saver for 6 s without input, and the pointer hidden.
sleep 6
[[ "$("$probe" saver)" == off ]] || e2e_fail "the screen saver came during the show"
[[ "$("$probe" cursor)" == blank ]] || e2e_fail "the pointer is still shown"
xdotool mousemove_relative 5 5
e2e_until 2 eval '[[ "$("$probe" cursor)" == visible ]]' || e2e_fail "the pointer stayed hidden"

# Paused: the picture stays and the screen saver may come.
xdotool key space
paused=$(show_pixel 640 400)
saver_on() { [[ "$("$probe" saver)" == on ]]; }
e2e_until 6 saver_on || e2e_fail "no screen saver while paused"
[[ "$(show_pixel 640 400)" == "$paused" ]] || e2e_fail "the show went on while paused"
xdotool key space
e2e_until 2 eval '[[ "$(show_pixel 640 400)" != "$paused" ]]' || e2e_fail "Space did not resume"

xdotool key Escape
not_fullscreen() { ! fullscreen; }
e2e_until 10 not_fullscreen || e2e_fail "Esc did not end the show"
read -r _ _ w h < <(e2e_client_geometry "$WINDOW")
((w == 311)) || e2e_fail "client ${w}x$h after Esc, not the settings window"
e2e_until 6 saver_on || e2e_fail "no screen saver after Stop"

# A show that crashes leaves the screen saver free: the server resumes it with the connection.
kill "$APP_PID"
# The old window must be gone first, or the new one's name would find it.
e2e_until 10 e2e_window_gone "$WINDOW" '^Slidewell$' || e2e_fail "the killed show's window stayed"
DBUS_SESSION_BUS_ADDRESS=disabled: e2e_start_app --play "$folder"
WINDOW=$(e2e_wait_window '^Slidewell$')
e2e_until 10 fullscreen || e2e_fail "no second show"
sleep 3
[[ "$("$probe" saver)" == off ]] || e2e_fail "the screen saver came during the second show"
kill -9 "$APP_PID"
e2e_until 6 saver_on || e2e_fail "no screen saver after the show was killed"
e2e_until 10 e2e_window_gone "$WINDOW" '^Slidewell$' || e2e_fail "the killed show's window stayed"

# With the session's service: Inhibit at the start and at Resume, UnInhibit at Pause and Stop.
# Debian's own Python, where python3-dbus lives, whatever python3 comes first on PATH.
command -v dbus-daemon >/dev/null && /usr/bin/python3 -c 'import dbus, gi' 2>/dev/null \
    || e2e_fail "missing dbus-daemon or python3-dbus (run scripts/setup.sh --test)"
read -r DBUS_SESSION_BUS_ADDRESS bus_pid < <(dbus-daemon --session --fork --print-address=1 \
    --print-pid=1 | tr '\n' ' ')
export DBUS_SESSION_BUS_ADDRESS
E2E_PIDS+=("$bus_pid")
/usr/bin/python3 "$(dirname "$0")/fake_screensaver.py" "$E2E_TMP/calls" &
E2E_PIDS+=("$!")
e2e_until 5 eval 'dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.ScreenSaver | grep -q true' \
    || e2e_fail "the fake screen-saver service did not start"
e2e_start_app --play "$folder"
WINDOW=$(e2e_wait_window '^Slidewell$')
e2e_until 10 fullscreen || e2e_fail "no show with the session bus"
e2e_wait_region 4 4 1272 792 '#ff0000'
xdotool key space space Escape
e2e_until 10 not_fullscreen || e2e_fail "Esc did not end the show"
expected=$'Inhibit 1\nUnInhibit 1\nInhibit 2\nUnInhibit 2'
e2e_until 5 eval '[[ "$(cat "$E2E_TMP/calls" 2>/dev/null)" == "$expected" ]]' \
    || e2e_fail "screen-saver calls: $(cat "$E2E_TMP/calls" 2>/dev/null)"
e2e_pass
