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

# Pick JPG in the format list: open it, type its first letter, confirm.
xdotool mousemove $((x + 8 + 112 + 30)) $((y + menu_height + 144 + 10)) click 1
sleep 0.3
xdotool type J
xdotool key Return
xdotool mousemove $((x + w + 40)) $((y + h + 40))
shot settings-window $(frame_box "$window")

# The Help menu, open: the frame plus room for the menu below the menu bar.
xdotool key --window "$window" alt+h
shot help-menu $(frame_box "$window")
xdotool key Escape

e2e_pass
