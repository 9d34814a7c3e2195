#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# An adjustable show keeps its title bar, names each image in the caption, fits its first image to
# the client area without the menu bar and the next image to a window resized during the show,
# and after Stop keeps the caption while the window takes its start-up size and place again.
# Enter starts the show.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/show_lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

folder=$E2E_TMP/pictures
mkdir -p "$folder"
convert -size 300x400 xc:'#00ff00' "BMP3:$folder/0.bmp"
convert -size 400x300 xc:'#ff0000' "BMP3:$folder/a.bmp"
convert -size 1000x250 xc:'#0000ff' "BMP3:$folder/b.bmp"

show_start "$folder"
show_settings adjustable b 2
# Enter in the delay box presses play, the default button.
xdotool key Return

shown=$(e2e_wait_window '^Slidewell - [0ab]\.bmp$')
[[ "$shown" == "$WINDOW" ]] || e2e_fail "the caption is on another window"
# The first image, taller than the client area, fills its full height, down to the bottom row
# (the menu bar's rows included), while its caption is up.
first_fills() {
    e2e_find_window '^Slidewell - 0\.bmp$' || return 2
    read -r x y w h < <(e2e_client_geometry "$WINDOW")
    e2e_shot_region_is $((x + 2)) $((y + h - 3)) 20 3 '#00ff00'
}
until first_fills; do
    (($? == 1)) || e2e_fail "the first image does not fill the client area's height ($w x $h)"
done
read -r left right top bottom < <(e2e_frame_extents "$WINDOW")
((top > 10)) || e2e_fail "the adjustable show lost its title bar"
e2e_window_state "$WINDOW" | grep -q FULLSCREEN && e2e_fail "the adjustable show is full screen"
e2e_wait_window '^Slidewell - b\.bmp$' 8 >/dev/null
e2e_wait_window '^Slidewell - a\.bmp$' 8 >/dev/null

# The user resizes the window during the show: the following images fit the new client area,
# 640x400 (9600 x 6000 twips).
xdotool windowsize "$WINDOW" 640 400
resized() {
    read -r x y w h < <(e2e_client_geometry "$WINDOW")
    [[ "$w $h" == "640 400" ]]
}
e2e_until 5 resized || e2e_fail "window not resized: $w x $h"
e2e_wait_window '^Slidewell - b\.bmp$' 8 >/dev/null
# 1000x250: the full width, 160 high, black below.
e2e_wait_region $((x + 2)) $((y + 2)) 636 156 '#0000ff' 3
e2e_wait_region $((x + 2)) $((y + 164)) 636 234 black 3
e2e_wait_window '^Slidewell - a\.bmp$' 8 >/dev/null
# 400x300: the full height, 533 wide, black on the right.
e2e_wait_region $((x + 2)) $((y + 2)) 529 396 '#ff0000' 3
e2e_wait_region $((x + 536)) $((y + 2)) 102 396 black 3

# Stop: the caption keeps the last name, the window its start-up size and place.
show_menu $((x + 100)) $((y + 100)) Down Return
restored() {
    read -r x y w h < <(e2e_client_geometry "$WINDOW")
    [[ "$x $y $w $h" == "$CX $CY $CW $CH" ]]
}
e2e_until 10 restored || e2e_fail "client $x $y $w $h after Stop, $CX $CY $CW $CH at start-up"
e2e_find_window '^Slidewell - [ab]\.bmp$' || e2e_fail "the caption lost the image's name"

e2e_pass
