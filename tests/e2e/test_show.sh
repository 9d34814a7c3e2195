#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The full-screen show, from the panel with the first start's "All Pictures": the whole screen
# without title bar or caption, in the chosen colour, each picture at the top-left and the band
# where the fit puts it, one per interval in name order and round again; GIF frames take turns,
# a damaged metafile shows only the colour; the pointer hides while still; Pause, Resume (the
# next at once) and Stop (the settings window back as it was) from the popup menu. --play with
# the stored settings: Right, Left, Next, Prior step at once, Space pauses and resumes, Esc stops;
# the X screen saver (timeout 2 s) comes only when the show is paused or the program killed; a
# session's screen-saver service gets Inhibit and UnInhibit in pairs.
source "$(dirname "$0")/lib.sh"
e2e_init "$@" dbus-daemon dbus-send
probe=$(dirname "$SLIDEWELL")/tests/e2e_show_probe
[[ -x "$probe" ]] || e2e_fail "no probe at $probe"
# Debian's own Python, where python3-dbus lives, whatever python3 comes first on PATH.
/usr/bin/python3 -c 'import dbus, gi' 2>/dev/null || e2e_fail "missing python3-dbus (run scripts/setup.sh --test)"
e2e_start_display
"$probe" timeout 2
data=$(cd "$(dirname "$0")/../data" && pwd)
folder=$E2E_TMP/pictures
mkdir -p "$folder"
# 4:3 fills the height with a band on the right; 4:1 fills the width with a band below; the
# metafiles are twice as wide as high, the left half red and the right half transparent.
convert -size 640x480 xc:'#ff0000' "BMP3:$folder/1.bmp"
convert -size 800x200 xc:'#0000ff' "BMP3:$folder/2.bmp"
convert -delay 40 -size 640x480 xc:'#ffff00' xc:'#ff00ff' -loop 0 "$folder/3.gif"
for picture in '4.png #00ffff' '5.tif #ff8000' '6.webp #8000ff' '7.avif #ffffff' '8.HEIC #808080'; do
    convert -size 640x480 "xc:${picture#* }" -define webp:lossless=true "$folder/${picture% *}"
done
echo '<svg xmlns="http://www.w3.org/2000/svg" width="640" height="480"><rect width="640"
 height="480" fill="#204060"/></svg>' >"$folder/9.svg"
cp "$data/metafile-halves.emf" "$folder/a.emf" && cp "$data/metafile-halves.wmf" "$folder/c.wmf"
head -c 100 "$folder/a.emf" >"$folder/b.emf" && head -c 100 "$folder/c.wmf" >"$folder/d.wmf"
show_start "$folder"
startup_pixel=$(e2e_pixel $((CX + 3)) $((SY + 150)))
show_settings full '' 2
show_color '#11aa33'
show_play
e2e_until 10 show_fullscreen || e2e_fail "not full screen: $(xprop -id "$WINDOW" _NET_WM_STATE)"
# 640x480 at 800 high: 1067 wide, the band from there to the right edge.
e2e_wait_region 4 4 1058 792 '#ff0000'
first_seen=$(show_now_ms)
e2e_wait_region 1072 4 204 792 '#11aa33' 2
[[ "$(e2e_client_geometry "$WINDOW")" == "0 0 1280 800" ]] || e2e_fail "the show does not cover the screen"
[[ "$(xdotool getwindowname "$WINDOW")" == Slidewell ]] || e2e_fail "caption in full screen"
# One interval (2 s) later: 1280x320 with the band below.
e2e_wait_region 4 4 1272 312 '#0000ff' 5
elapsed=$(($(show_now_ms) - first_seen))
((elapsed > 1000 && elapsed < 3500)) || e2e_fail "second picture after $elapsed ms, interval 2000"
e2e_wait_region 4 326 1272 470 '#11aa33' 2
# Pause: the picture stays beyond an interval, and the pointer, standing still, hides. Resume:
# the next picture at once.
e2e_wait_region 4 4 1058 792 '#00ffff' 6
show_menu 640 100 Down Down Return
sleep 3
e2e_shot_region_is 4 4 1058 792 '#00ffff' || e2e_fail "the show went on while paused"
cursor_is() { [[ "$("$probe" cursor)" == "$1" ]]; }
cursor_is blank || e2e_fail "the pointer is still shown"
xdotool mousemove_relative 5 5
e2e_until 2 cursor_is visible || e2e_fail "the pointer stayed hidden"
show_menu 640 100 Down Down Return
resumed=$(show_now_ms)
e2e_wait_region 4 4 1058 792 '#ff8000' 2
elapsed=$(($(show_now_ms) - resumed))
((elapsed < 1200)) || e2e_fail "next picture $elapsed ms after Resume"
for color in '#8000ff' '#ffffff' '#808080' '#204060'; do
    e2e_wait_region 4 4 1058 792 "$color" 4
    e2e_wait_region 1072 4 204 792 '#11aa33' 2
done
# Each metafile at full width (1280 x 640), then its damaged twin; then round to the first.
for _ in emf wmf; do
    e2e_wait_region 8 8 620 620 '#ff0000' 8
    e2e_wait_region 652 8 620 620 '#11aa33' 3
    e2e_wait_region 8 652 1264 140 '#11aa33' 3
    e2e_wait_region 8 8 1264 784 '#11aa33' 8
done
e2e_wait_region 4 4 1058 792 '#ff0000' 4

show_menu 640 100 Down Return
e2e_until 10 show_restored || e2e_fail "client $x $y $w $h after Stop, $CX $CY $CW $CH at start-up"
(($(e2e_title_bar "$WINDOW") > 10)) || e2e_fail "no title bar after Stop"
e2e_wait_region $((CX + 179)) $((SY + 115)) 19 19 '#11aa33' 5
[[ "$(e2e_pixel $((CX + 3)) $((SY + 150)))" == "$startup_pixel" ]] || e2e_fail "not the start-up background after Stop"
kill "$APP_PID"
e2e_until 10 e2e_window_gone "$WINDOW" '^Slidewell$' || e2e_fail "the program's window stayed"

# No session bus: the X server's screen saver is suspended. An 8-second interval, so that a key's
# picture comes well before the timer's.
printf '%s\n' '[Software\Slidewell]' 'screenSize=full' 'imageDelayInSeconds=8' 'backgroundColor=0' >"$CONF"
DBUS_SESSION_BUS_ADDRESS=disabled: e2e_start_app --play "$folder"
WINDOW=$(e2e_wait_window '^Slidewell$')
e2e_until 10 show_fullscreen || e2e_fail "--play did not open into a full-screen show"
e2e_wait_region 4 4 1058 792 '#ff0000'
# Up to the GIF, whose frames take turns while it is up.
for step in 'Right 4 4 1272 312 #0000ff' 'Left 4 4 1058 792 #ff0000' 'Next 4 4 1272 312 #0000ff' \
    'Prior 4 4 1058 792 #ff0000' 'Right 4 4 1272 312 #0000ff' 'Right 200 200 400 400 #ffff00' \
    'Left 4 4 1272 312 #0000ff' 'Next 200 200 400 400 #ffff00' '- 200 200 400 400 #ff00ff'; do
    read -r key x y width height color <<<"$step"
    [[ $key == - ]] || xdotool key "$key"
    e2e_wait_region "$x" "$y" "$width" "$height" "$color" 2
done
saver_is() { [[ "$("$probe" saver)" == "$1" ]]; }
sleep 3
saver_is off || e2e_fail "the screen saver came during the show"
xdotool key space
paused=$(e2e_pixel 640 400)
e2e_until 6 saver_is on || e2e_fail "no screen saver while paused"
[[ "$(e2e_pixel 640 400)" == "$paused" ]] || e2e_fail "the show went on while paused"
xdotool key space
e2e_until 2 eval '[[ "$(e2e_pixel 640 400)" != "$paused" ]]' || e2e_fail "Space did not resume"
sleep 3
saver_is off || e2e_fail "the screen saver came after Resume"
# A show that crashes leaves the screen saver free: the server resumes it with the connection.
kill -9 "$APP_PID"
e2e_until 6 saver_is on || e2e_fail "no screen saver after the show was killed"

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
e2e_wait_region 4 4 1058 792 '#ff0000'
calls_are() { [[ "$(cat "$E2E_TMP/calls" 2>/dev/null)" == "$1" ]]; }
expected='Inhibit 1'
for step in 'space UnInhibit 1' 'space Inhibit 2' 'Escape UnInhibit 2'; do
    e2e_until 5 calls_are "$expected" || e2e_fail "screen-saver calls: $(paste -sd " " "$E2E_TMP/calls")"
    xdotool key "${step%% *}"
    expected+=$'\n'"${step#* }"
done
e2e_until 5 calls_are "$expected" || e2e_fail "screen-saver calls: $(paste -sd " " "$E2E_TMP/calls")"
e2e_pass
