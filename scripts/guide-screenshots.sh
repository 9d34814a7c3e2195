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
click_panel 120 182
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

e2e_pass
