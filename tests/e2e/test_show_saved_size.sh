#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Stop after an adjustable show saves the show window's size, in the plain number form, and the
# next adjustable show takes that size, centred.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/show_lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

folder=$E2E_TMP/pictures
mkdir -p "$folder"
convert -size 400x300 xc:'#ff0000' "BMP3:$folder/a.bmp"

show_start "$folder"
show_settings adjustable b 3
show_play
e2e_wait_window '^Slidewell - a\.bmp$' 5 >/dev/null
xdotool windowsize "$WINDOW" 640 400
resized() {
    read -r x y w h < <(e2e_client_geometry "$WINDOW")
    [[ "$w $h" == "640 400" ]]
}
e2e_until 5 resized || e2e_fail "window not resized: $w x $h"
show_menu $((x + 100)) $((y + 100)) Down Return
restored() {
    read -r x y w h < <(e2e_client_geometry "$WINDOW")
    [[ "$w $h" == "$CW $CH" ]]
}
e2e_until 10 restored || e2e_fail "client $w x $h after Stop, expected $CW x $CH"
read -r left right top bottom < <(e2e_frame_extents "$WINDOW")

# The size of the show window was saved, in the plain number form.
settings=$(grep -rl screenWidth "$XDG_CONFIG_HOME" 2>/dev/null | head -n 1)
[[ -n "$settings" ]] || e2e_fail "no settings file holds the window size"
grep -Eq '(^|\\)screenWidth=(" 9600"| 9600)$' "$settings" \
    || e2e_fail "screenWidth not saved as \" 9600\": $(grep screenWidth "$settings")"
grep -Eq '(^|\\)screenHeight=(" 6000"| 6000)$' "$settings" \
    || e2e_fail "screenHeight not saved as \" 6000\": $(grep screenHeight "$settings")"

# The next adjustable show takes that size again, centred.
SY=$((y + h - 246))
CX=$x
show_play
sized() {
    read -r x y w h < <(e2e_client_geometry "$WINDOW")
    [[ "$w $h" == "640 400" ]]
}
e2e_until 5 sized || e2e_fail "second show at $w x $h, expected the saved 640 x 400"
e2e_close_enough $((x - left + (left + w + right) / 2)) 640 16 || e2e_fail "not centred: x $x"
e2e_pass
