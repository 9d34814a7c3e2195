#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Takes the user's guide screenshots from the real program, on a private X display with the
# real-window test harness, into docs/images (or OUTPUT_FOLDER). Needs a build (scripts/build.sh)
# and the test tools (scripts/setup.sh --test).
# Use: guide-screenshots.sh [OUTPUT_FOLDER] [PATH_TO_SLIDEWELL]
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/images}
program=${2:-$root/build/slidewell}
source "$root/tests/e2e/lib.sh"
e2e_init "$program"
samples=$(cd "$(dirname "$SLIDEWELL")" && pwd)/samples
[[ -d "$samples" ]] || e2e_fail "no sample folder next to the program: $samples"
mkdir -p "$out"

# same_twice: true when two screenshots in a row are identical, so drawing has finished.
same_twice() {
    e2e_screenshot "$E2E_TMP/a.png" && sleep 0.15 && e2e_screenshot "$E2E_TMP/b.png" \
        && [[ $(compare -metric AE "$E2E_TMP/a.png" "$E2E_TMP/b.png" null: 2>&1) == 0 ]]
}
settle() { e2e_until 10 same_twice || e2e_fail "the screen never settled"; }

# shot NAME X Y W H: a settled screenshot of that part of the screen, as OUTPUT_FOLDER/NAME.png.
shot() {
    settle
    convert "$E2E_TMP/b.png" -crop "${4}x${5}+${2}+${3}" +repage -strip "$out/$1.png" \
        || e2e_fail "could not save $1.png"
    e2e_log "saved $1.png (${4}x${5})"
}

# frame_box WINDOW [EXTRA_BELOW]: "X Y W H" of the window with its title bar and border.
frame_box() {
    local x y w h left right top bottom
    read -r x y w h < <(e2e_client_geometry "$1")
    read -r left right top bottom < <(e2e_frame_extents "$1")
    echo "$((x - left)) $((y - top)) $((w + left + right)) $((h + top + bottom + ${2:-0}))"
}

# shot_scaled NAME FACTOR: the whole screen, settled and scaled down.
shot_scaled() {
    settle
    convert "$E2E_TMP/b.png" -resize "$2" -strip "$out/$1.png" || e2e_fail "could not save $1.png"
    e2e_log "saved $1.png (whole screen at $2)"
}

# union_box "X Y W H" "X Y W H": the smallest box holding both.
union_box() {
    local ax ay aw ah bx by bw bh
    read -r ax ay aw ah <<<"$1"
    read -r bx by bw bh <<<"$2"
    local left=$((ax < bx ? ax : bx)) top=$((ay < by ? ay : by))
    local right=$((ax + aw > bx + bw ? ax + aw : bx + bw))
    local bottom=$((ay + ah > by + bh ? ay + ah : by + bh))
    echo "$left $top $((right - left)) $((bottom - top))"
}

e2e_start_display 1280x800
e2e_start_app "$samples"
window=$(e2e_wait_window '^Slidewell$')
xdotool windowfocus --sync "$window" 2>/dev/null
read -r x y w h < <(e2e_client_geometry "$window")
menu_height=$((h - 246))
# click_panel X Y: a left click at that point of the settings panel (pixels from its corner).
click_panel() { xdotool mousemove $((x + 8 + $1)) $((y + menu_height + $2)) click 1; }
park_pointer() { xdotool mousemove 1270 790; }
# Drop-down lists and menus are windows of their own: their opening adds one.
app_windows() { xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | wc -l; }
more_windows_than() { (($(app_windows) > $1)); }
windows_back_to() { (($(app_windows) <= $1)); }

# Pick JPG in the format list: open it, type its first letter, confirm.
popups=$(app_windows)
click_panel 142 154
e2e_until 5 more_windows_than "$popups" || e2e_fail "the format list did not open"
xdotool type J
xdotool key Return
e2e_until 5 windows_back_to "$popups" || e2e_fail "the format list did not close"
click_panel 140 182
xdotool key ctrl+a
xdotool type 2
park_pointer
shot settings-window $(frame_box "$window")

# The Help menu, open.
popups=$(app_windows)
xdotool key --window "$window" alt+h
e2e_until 5 more_windows_than "$popups" || e2e_fail "the Help menu did not open"
shot help-menu $(frame_box "$window")
xdotool key Escape

# The Show menu, open.
e2e_until 5 windows_back_to "$popups" || e2e_fail "the Help menu did not close"
xdotool key --window "$window" alt+s
e2e_until 5 more_windows_than "$popups" || e2e_fail "the Show menu did not open"
shot show-menu $(frame_box "$window")
xdotool key Escape

# other_window: the program's visible window besides the main one (a dialog), as E2E_FOUND.
other_window() {
    E2E_FOUND=$(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | grep -vx "$window" | head -n 1)
    [[ -n "$E2E_FOUND" ]] && xwininfo -id "$E2E_FOUND" | grep -q 'Map State: IsViewable'
}
dialog_gone() { ! xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }

# Help > About Slidewell...
popups=$(app_windows)
xdotool key --window "$window" alt+h
e2e_until 5 more_windows_than "$popups" || e2e_fail "the Help menu did not open"
xdotool key Return
e2e_until 10 other_window || e2e_fail "the About window did not open"
about=$E2E_FOUND
park_pointer
shot about-window $(frame_box "$about")
xdotool windowfocus --sync "$about" 2>/dev/null
xdotool key alt+o
e2e_until 5 dialog_gone "$about" || e2e_fail "the About window did not close"

# A slate background for the shows: Change Color..., the colour typed into the dialog.
click_panel 244 124
e2e_until 10 other_window || e2e_fail "the colour dialog did not open"
colours=$E2E_FOUND
xdotool windowfocus --sync "$colours" 2>/dev/null
xdotool key alt+h ctrl+a
xdotool type '#3d4a5c'
xdotool key Return
e2e_until 5 dialog_gone "$colours" || e2e_fail "the colour dialog did not close"

# A message: letters in the seconds box, then play.
click_panel 140 182
xdotool key ctrl+a
xdotool type abc
click_panel 196 212
box=$(e2e_wait_window '^Invalid Number$')
park_pointer
shot message-invalid-number $(frame_box "$box")
xdotool windowfocus --sync "$box" 2>/dev/null
xdotool key Return
e2e_until 5 dialog_gone "$box" || e2e_fail "the message did not close"
click_panel 140 182
xdotool key ctrl+a
xdotool type 2

# An adjustable show, its window made larger by the user: the next picture fits the new size.
click_panel 26 120
click_panel 196 212
e2e_wait_window '^Slidewell - ' >/dev/null
xdotool windowsize "$window" 720 500
caption=$(xdotool getwindowname "$window")
next_picture() { [[ "$(xdotool getwindowname "$window")" != "$caption" ]]; }
e2e_until 10 next_picture || e2e_fail "the show did not move on from $caption"
park_pointer
shot show-window $(frame_box "$window")

# The popup menu at the pointer, then Pause; then the menu of a paused show; then Stop.
read -r x y w h < <(e2e_client_geometry "$window")
open_menu() {
    xdotool mousemove $((x + w / 2)) $((y + h / 3)) click 3
    menu=$(e2e_wait_window '^Slidewell Show Menu$')
}
open_menu
shot popup-menu $(union_box "$(frame_box "$window")" "$(e2e_client_geometry "$menu")")
xdotool key Down Down Return
e2e_until 5 e2e_window_gone "$menu" '^Slidewell Show Menu$' || e2e_fail "the menu did not close"
open_menu
shot popup-menu-paused $(union_box "$(frame_box "$window")" "$(e2e_client_geometry "$menu")")
xdotool key Down Return
settings_back() { [[ "$(e2e_client_geometry "$window" | awk '{print $3}')" == 311 ]]; }
e2e_until 10 settings_back || e2e_fail "Stop did not bring the settings back"

# A full-screen show, shown at half size.
read -r x y w h < <(e2e_client_geometry "$window")
menu_height=$((h - 246))
click_panel 26 96
click_panel 196 212
full_screen() { [[ "$(e2e_client_geometry "$window")" == "0 0 1280 800" ]]; }
e2e_until 10 full_screen || e2e_fail "the show did not fill the screen"
park_pointer
shot_scaled show-full-screen 50%
xdotool mousemove 640 400 click 3
menu=$(e2e_wait_window '^Slidewell Show Menu$')
xdotool key Down Return
e2e_until 10 settings_back || e2e_fail "Stop did not end the full-screen show"

e2e_pass
