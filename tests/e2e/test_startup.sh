#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# --help and --version answer without a display; the window opens centred, frame included, with
# its title, menus, settings panel and the window class of its desktop entry; the Exit button and
# File > Exit end the program at once with status 0 and write nothing.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
help=$(env -u DISPLAY QT_QPA_PLATFORM=xcb "$SLIDEWELL" --help) && [[ "$help" == "Usage: slidewell"* ]] \
    || e2e_fail "--help: $help"
[[ "$(env -u DISPLAY QT_QPA_PLATFORM=xcb "$SLIDEWELL" --version)" == "Slidewell 1.0.0" ]] \
    || e2e_fail "--version does not print the version"
e2e_start_display 1280x800

e2e_start_app
window=$(e2e_wait_window '^Slidewell$')
read -r left right top bottom < <(e2e_frame_extents "$window")
((top > 10)) || e2e_fail "no title bar: frame $left $right $top $bottom"
e2e_until 5 e2e_frame_centred "$window" || e2e_fail "frame not centred: client $X $Y $W $H"
x=$X y=$Y w=$W h=$H
e2e_log "client $x $y $w $h"
((w == 311)) || e2e_fail "client width $w, expected 311"
menu_height=$((h - 246))
((menu_height > 10 && menu_height < 40)) || e2e_fail "client height $h: no menu bar above 246 px"
wm_class=$(sed -n 's/^StartupWMClass=//p' "$(dirname "$0")/../../packaging/org.example.slidewell.desktop")
[[ -n "$wm_class" && "$(xprop -id "$window" WM_CLASS)" == *"\"$wm_class\"" ]] \
    || e2e_fail "window class $(xprop -id "$window" WM_CLASS), desktop entry '$wm_class'"

# The black swatch at its designed place, inside the settings frame (8, 0) of the client area.
swatch_x=$((x + 8 + 168 + 3))
swatch_y=$((y + menu_height + 112 + 3))
e2e_wait_region "$swatch_x" "$swatch_y" 19 19 black

# File opens its menu: a popup window appears over the menu bar.
popups() { xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | wc -l; }
before=$(popups)
xdotool key --window "$window" alt+f
more_windows() { (($(popups) > before)); }
e2e_until 10 more_windows || e2e_fail "File menu did not open"
xdotool key Escape

# The Exit button, at (232, 200) in the frame.
xdotool mousemove $((x + 8 + 232 + 28)) $((y + menu_height + 200 + 12)) click 1
e2e_wait_exit "$APP_PID" 10
status=$E2E_EXIT_STATUS
[[ "$status" == 0 ]] || e2e_fail "Exit button: status $status"

# File > Exit from the keyboard.
e2e_start_app
window=$(e2e_wait_window '^Slidewell$')
xdotool windowfocus --sync "$window" 2>/dev/null
before=$(popups)
xdotool key --window "$window" alt+f
e2e_until 10 more_windows || e2e_fail "File menu did not open"
xdotool key Return
e2e_wait_exit "$APP_PID" 10
status=$E2E_EXIT_STATUS
[[ "$status" == 0 ]] || e2e_fail "File > Exit: status $status"

written=$(find "$XDG_CONFIG_HOME" -type f | head -n 5)
[[ -z "$written" ]] || e2e_fail "exit wrote files: $written"
e2e_pass
