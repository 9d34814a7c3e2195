#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The dialogs. Help > About Slidewell... opens the About window centred, modal and fixed in size:
# the main window takes no input, Escape does not close it, OK and Alt+O do; its link turns from
# blue to dark red under the pointer. "Select Image Folder..." and "Change Color..." open the
# real choosers: a choice changes the folder box and the swatch, a cancel leaves both as they
# were. The guide's screenshot script still runs and makes every picture the guide and the README
# show.
source "$(dirname "$0")/lib.sh"
e2e_init "$@" xclip
repo=$(cd "$(dirname "$0")/../.." && pwd)
e2e_start_display
pictures="$E2E_TMP/holiday pictures"
mkdir -p "$pictures" "$E2E_TMP/other"
show_start
about_title='^Slidewell authors, GPL v2\+$'
open_about() {
    e2e_menu_key "$WINDOW" alt+h
    xdotool key Return
    e2e_wait_window "$about_title" 10
}
# has_colour X Y W H COLOR: more than 5 pixels of the region within 15% of the colour.
has_colour() {
    e2e_screenshot "$E2E_TMP/count.png"
    (($(convert "$E2E_TMP/count.png" -crop "${3}x${4}+${1}+${2}" +repage -fuzz 15% -fill black \
        +opaque "$5" -fill white -opaque "$5" -format '%[fx:int(mean*w*h+0.5)]' info:) > 5))
}
about=$(open_about)
e2e_until 5 e2e_frame_centred "$about" || e2e_fail "About's frame not centred: client $X $Y $W $H"
[[ "$(xprop -id "$about" _NET_WM_STATE)" == *_NET_WM_STATE_MODAL* ]] || e2e_fail "About is not modal"
actions=$(xprop -id "$about" _NET_WM_ALLOWED_ACTIONS)
[[ "$actions" != *MAXIMIZE* && "$actions" != *RESIZE* ]] || e2e_fail "About can be resized: $actions"
xprop -id "$about" WM_TRANSIENT_FOR | grep -q 'window id' \
    || e2e_fail "About has no transient parent, so a task bar would list it"
# The link at (72, 184) of the client area, 89x17: blue, and dark red under the pointer.
for step in '200 60 #0000ff' '82 192 #c00000' '200 60 #0000ff'; do
    read -r px py colour <<<"$step"
    xdotool mousemove $((X + px)) $((Y + py))
    e2e_until 5 has_colour $((X + 72)) $((Y + 184)) 89 17 "$colour" || e2e_fail "the link is not $colour"
done
before=$(e2e_app_windows)
xdotool key --window "$WINDOW" alt+f
sleep 1
(($(e2e_app_windows) == before)) || e2e_fail "the main window opened a menu while About was open"
xdotool key Escape
sleep 0.3
e2e_find_window "$about_title" || e2e_fail "Escape closed the About window"
xdotool mousemove $((X + 324)) $((Y + 220)) click 1
e2e_until 5 e2e_window_gone "$about" "$about_title" || e2e_fail "OK did not close About"
xdotool windowfocus --sync "$WINDOW" 2>/dev/null
e2e_menu_key "$WINDOW" alt+f
xdotool key Escape
about=$(open_about)
xdotool key alt+o
e2e_until 5 e2e_window_gone "$about" "$about_title" || e2e_fail "Alt+O did not close About"

# choose_folder TEXT KEY: types the text into the folder chooser and leaves it with Return or
# Escape (whose first press may only close the completion list that typing opened).
choose_folder() {
    xdotool windowfocus --sync "$WINDOW" 2>/dev/null
    show_click 80 28
    local dialog
    dialog=$(e2e_wait_window '^Please select a folder:$')
    xdotool windowfocus --sync "$dialog" 2>/dev/null
    xdotool type --delay 5 "$1/"
    [[ $2 == Return ]] && xdotool key Return
    leave() { [[ $1 == Return ]] || xdotool key Escape; sleep 0.2; e2e_window_gone "$dialog" '^Please select a folder:$'; }
    e2e_until 10 leave "$2" || e2e_fail "the folder chooser did not close"
}
choose_folder "$pictures" Return
show_expect_text 148 57 "$pictures"
choose_folder "$E2E_TMP/other" Escape
show_expect_text 148 57 "$pictures"
e2e_wait_region $((CX + 179)) $((SY + 115)) 19 19 black
show_color '#11aa33'
e2e_wait_region $((CX + 179)) $((SY + 115)) 19 19 '#11aa33'
show_color '#ff00ff' Escape
sleep 0.3
e2e_wait_region $((CX + 179)) $((SY + 115)) 19 19 '#11aa33' 1

out=$E2E_TMP/images
bash "$repo/scripts/guide-screenshots.sh" "$out" "$SLIDEWELL" >"$E2E_TMP/guide.log" 2>&1 \
    || { cat "$E2E_TMP/guide.log" >&2; e2e_fail "guide-screenshots.sh failed"; }
mapfile -t wanted < <(grep -ohE 'images/[A-Za-z0-9_-]+\.png' "$repo/docs/user-guide.md" "$repo/README.md" \
    | sed 's|^images/||' | sort -u)
((${#wanted[@]} > 0)) || e2e_fail "the guide shows no screenshots"
for name in "${wanted[@]}"; do
    read -r width height colours < <(identify -format '%w %h %k\n' "$out/$name" 2>/dev/null) \
        || e2e_fail "the script no longer makes $name"
    ((width >= 100 && height >= 50 && colours > 8)) || e2e_fail "$name is ${width}x$height, $colours colours"
done
e2e_pass
