#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The window and its sizes. --help and --version answer without a display. The window opens
# centred, frame included, with title bar, menus, the window class of its desktop entry and the
# saved settings (folder and colour from the user's file, the delay from the machine-wide one; a
# folder on the command line wins); Exit and File > Exit end it with status 0, Exit leaving the
# settings file byte for byte as it was. An adjustable show keeps the title bar and the pointer, fits its first
# picture to the client height and later ones to the window as the user resizes it; Stop restores
# the window, keeps the caption and saves the show window's size, which the next show takes.
source "$(dirname "$0")/lib.sh"
e2e_init "$@" xclip
probe=$(dirname "$SLIDEWELL")/tests/e2e_show_probe
[[ -x "$probe" ]] || e2e_fail "no probe at $probe"
[[ "$(env -u DISPLAY QT_QPA_PLATFORM=xcb "$SLIDEWELL" --help)" == "Usage: slidewell"* \
    && "$(env -u DISPLAY QT_QPA_PLATFORM=xcb "$SLIDEWELL" --version)" == "Slidewell 1.0.0" ]] \
    || e2e_fail "--help or --version wants a display or prints the wrong text"
e2e_start_display
# 13395507 is 0x00CC6633: red 33, green 66, blue CC.
printf '%s\n' '[Software\Slidewell]' 'imageFolder="  /srv/stored photos  "' \
    'backgroundColor=13395507' >"$CONF"
printf '%s\n' '[Software\Slidewell]' 'imageFolder=/srv/everyone' 'imageDelayInSeconds=7' \
    >"$XDG_CONFIG_DIRS/Slidewell/Slidewell.conf"
cp "$CONF" "$E2E_TMP/saved.conf"
show_start
(($(e2e_title_bar "$WINDOW") > 10)) || e2e_fail "no title bar: $(e2e_frame_extents "$WINDOW")"
e2e_until 5 e2e_frame_centred "$WINDOW" || e2e_fail "frame not centred: client $X $Y $W $H"
((CH - 246 > 10 && CH - 246 < 40)) || e2e_fail "client height $CH: no menu bar above 246 px"
wm_class=$(sed -n 's/^StartupWMClass=//p' "$(dirname "$0")/../../packaging/org.example.slidewell.desktop")
[[ -n "$wm_class" && "$(xprop -id "$WINDOW" WM_CLASS)" == *"\"$wm_class\"" ]] \
    || e2e_fail "window class $(xprop -id "$WINDOW" WM_CLASS), desktop entry '$wm_class'"
e2e_wait_region $((CX + 179)) $((SY + 115)) 19 19 '#3366CC'
show_expect_text 148 57 "  /srv/stored photos  "
show_expect_text 140 182 7
show_click 260 212
e2e_wait_exit "$APP_PID"
cmp -s "$CONF" "$E2E_TMP/saved.conf" || e2e_fail "Exit changed the settings file: $(cat "$CONF")"
written=$(find "$XDG_CONFIG_HOME" -type f ! -path "$CONF")
[[ -z "$written" ]] || e2e_fail "exit wrote files: $written"

folder=$E2E_TMP/pictures
mkdir -p "$folder"
convert -size 300x400 xc:'#00ff00' "BMP3:$folder/0.bmp"
convert -size 400x300 xc:'#ff0000' "BMP3:$folder/a.bmp"
convert -size 1000x250 xc:'#0000ff' "BMP3:$folder/b.bmp"
show_start "$folder"
show_expect_text 148 57 "$folder"
show_settings adjustable b 2
# Enter in the delay box presses play, the default button.
xdotool key Return
[[ "$(e2e_wait_window '^Slidewell - [0ab]\.bmp$')" == "$WINDOW" ]] || e2e_fail "the caption is on another window"
# The first picture, taller than the client area, fills its height down to the bottom row (the
# menu bar's rows included) while its caption is up.
first_fills() {
    e2e_find_window '^Slidewell - 0\.bmp$' || return 2
    read -r x y w h < <(e2e_client_geometry "$WINDOW")
    e2e_shot_region_is $((x + 2)) $((y + h - 3)) 20 3 '#00ff00'
}
until first_fills; do
    (($? == 1)) || e2e_fail "the first picture does not fill the client area's height ($w x $h)"
done
xdotool mousemove $((x + 50)) $((y + 50))
(($(e2e_title_bar "$WINDOW") > 10)) || e2e_fail "the adjustable show lost its title bar"
e2e_wait_window '^Slidewell - b\.bmp$' 8 >/dev/null
[[ "$("$probe" cursor)" == visible ]] || e2e_fail "the pointer hid in a window"

# Resized during the show to 640x400 (9600 x 6000 twips): 400x300 takes the full height and 533
# columns, 1000x250 the full width and 160 rows, the show's colour around them.
xdotool windowsize "$WINDOW" 640 400
resized() {
    read -r x y w h < <(e2e_client_geometry "$WINDOW")
    [[ "$w $h" == "640 400" ]]
}
e2e_until 5 resized || e2e_fail "window not resized: $w x $h"
e2e_wait_window '^Slidewell - a\.bmp$' 8 >/dev/null
e2e_wait_region $((x + 2)) $((y + 2)) 529 396 '#ff0000' 3
e2e_wait_region $((x + 536)) $((y + 2)) 102 396 '#3366CC' 3
e2e_wait_window '^Slidewell - b\.bmp$' 8 >/dev/null
e2e_wait_region $((x + 2)) $((y + 2)) 636 156 '#0000ff' 3
e2e_wait_region $((x + 2)) $((y + 164)) 636 234 '#3366CC' 3

show_menu $((x + 100)) $((y + 100)) Down Return
e2e_until 10 show_restored || e2e_fail "client $x $y $w $h after Stop, $CX $CY $CW $CH at start-up"
e2e_find_window '^Slidewell - [ab]\.bmp$' || e2e_fail "the caption lost the picture's name"
grep -Eq '(^|\\)screenWidth=(" 9600"| 9600)$' "$CONF" && grep -Eq '(^|\\)screenHeight=(" 6000"| 6000)$' "$CONF" \
    || e2e_fail "show window's size not saved as \" 9600\" x \" 6000\": $(grep screen "$CONF")"
show_play
e2e_until 5 resized || e2e_fail "second show at $w x $h, expected the saved 640 x 400"
e2e_frame_centred "$WINDOW" 16 || e2e_fail "second show not centred: client $X $Y $W $H"
xdotool key Escape
e2e_until 10 show_restored || e2e_fail "Esc did not end the show"
e2e_menu_key "$WINDOW" alt+f
xdotool key Return
e2e_wait_exit "$APP_PID"
e2e_pass
