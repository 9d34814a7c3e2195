#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Help > About Slidewell... opens the About window centred and modal: the main window takes no
# input until OK closes it. The link turns from blue to dark red under the pointer.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

about_title='^Slidewell authors, GPL v2\+$'
e2e_start_app
window=$(e2e_wait_window '^Slidewell$')
xdotool windowfocus --sync "$window" 2>/dev/null

app_windows() { xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | wc -l; }
more_windows_than() { (($(app_windows) > $1)); }

# Opens a top-level menu of the main window with its access key and waits for the popup.
open_menu() {
    local before
    before=$(app_windows)
    xdotool key --window "$window" "$1"
    e2e_until 5 more_windows_than "$before" || e2e_fail "$1 opened no menu"
}

open_about() {
    open_menu alt+h
    xdotool key Return
    e2e_wait_window "$about_title" 10
}

# Pixels of the region within 15% of the colour.
count_colour() {
    local x=$1 y=$2 w=$3 h=$4 color=$5
    e2e_screenshot "$E2E_TMP/count.png"
    convert "$E2E_TMP/count.png" -crop "${w}x${h}+${x}+${y}" +repage -fuzz 15% \
        -fill black +opaque "$color" -fill white -opaque "$color" \
        -format '%[fx:int(mean*w*h+0.5)]' info:
}
has_colour() { (($(count_colour "$@") > 5)); }

about=$(open_about)
# Centred as the main window is: the whole window, frame included.
e2e_until 5 e2e_frame_centred "$about" || e2e_fail "About's frame not centred: client $X $Y $W $H"
ax=$X ay=$Y aw=$W ah=$H
e2e_log "About client $ax $ay $aw $ah"
((aw == 373 && ah == 243)) || e2e_fail "About client ${aw}x${ah}, expected 373x243"
[[ "$(e2e_window_state "$about")" == *_NET_WM_STATE_MODAL* ]] \
    || e2e_fail "About is not modal: $(e2e_window_state "$about")"
actions=$(xprop -id "$about" _NET_WM_ALLOWED_ACTIONS)
[[ "$actions" != *MAXIMIZE* && "$actions" != *RESIZE* ]] || e2e_fail "About can be resized: $actions"
xprop -id "$about" WM_TRANSIENT_FOR | grep -q 'window id' \
    || e2e_fail "About has no transient parent, so a task bar would list it"

# The link: blue and underlined, dark red under the pointer.
link_x=$((ax + 72)) link_y=$((ay + 184))
e2e_until 5 has_colour "$link_x" "$link_y" 89 17 '#0000ff' || e2e_fail "the link is not blue"
xdotool mousemove $((link_x + 10)) $((link_y + 8))
e2e_until 5 has_colour "$link_x" "$link_y" 89 17 '#c00000' || e2e_fail "the link did not turn red"
xdotool mousemove $((ax + 200)) $((ay + 60))
e2e_until 5 has_colour "$link_x" "$link_y" 89 17 '#0000ff' || e2e_fail "the link stayed red"

# The main window ignores its menu keys while About is open.
before=$(app_windows)
xdotool key --window "$window" alt+f
sleep 1
(($(app_windows) == before)) || e2e_fail "the main window opened a menu while About was open"
xdotool key Escape
sleep 0.3
e2e_find_window "$about_title" || e2e_fail "Escape closed the About window"

# OK closes it and gives the main window its input back.
xdotool mousemove $((ax + 288 + 36)) $((ay + 208 + 12)) click 1
e2e_until 5 e2e_window_gone "$about" "$about_title" || e2e_fail "OK did not close About"
xdotool windowfocus --sync "$window" 2>/dev/null
open_menu alt+f
xdotool key Escape

# A second opening, closed with the OK button's access key.
about=$(open_about)
xdotool key alt+o
e2e_until 5 e2e_window_gone "$about" "$about_title" || e2e_fail "Alt+O did not close About"
kill -0 "$APP_PID" 2>/dev/null || e2e_fail "the program ended"
e2e_pass
