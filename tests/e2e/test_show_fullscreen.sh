#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# A Full Screen show covers the screen with the chosen colour, each image at the top-left with
# the band where the fit puts it, one image per interval; Pause freezes it, Resume shows the next
# at once, Stop brings back the settings window as it was. The first start's format, "All
# Pictures", shows BMP, GIF (animated), PNG, TIFF, WebP, AVIF, HEIC and SVG files of one folder in
# name order.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/show_lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

folder=$E2E_TMP/pictures
mkdir -p "$folder"
# 4:3 fills the height with a band on the right; 4:1 fills the width with a band below.
convert -size 640x480 xc:'#ff0000' "BMP3:$folder/1.bmp"
convert -size 800x200 xc:'#0000ff' "BMP3:$folder/2.bmp"
convert -delay 40 -size 640x480 xc:'#ffff00' xc:'#ff00ff' -loop 0 "$folder/3.gif"
convert -size 640x480 xc:'#00ffff' "$folder/4.png"
convert -size 640x480 xc:'#ff8000' "$folder/5.tif"
convert -size 640x480 xc:'#8000ff' -define webp:lossless=true "$folder/6.webp"
convert -size 640x480 xc:'#ffffff' "$folder/7.avif"
convert -size 640x480 xc:'#808080' "$folder/8.HEIC"
echo '<svg xmlns="http://www.w3.org/2000/svg" width="640" height="480"><rect width="640"
 height="480" fill="#204060"/></svg>' >"$folder/9.svg"

show_start "$folder"
startup_pixel=$(show_pixel $((CX + 3)) $((SY + 150)))
show_settings full '' 2
show_color '#11aa33'
show_play

fullscreen() { e2e_window_state "$WINDOW" | grep -q _NET_WM_STATE_FULLSCREEN; }
e2e_until 10 fullscreen || e2e_fail "not full screen: $(e2e_window_state "$WINDOW")"
# 640x480 at 800 high: 1067 wide, band from there to the right edge.
e2e_wait_region 4 4 1058 792 '#ff0000'
first_seen=$(show_now_ms)
e2e_wait_region 1072 4 204 792 '#11aa33' 2
read -r x y w h < <(e2e_client_geometry "$WINDOW")
[[ "$x $y $w $h" == "0 0 1280 800" ]] || e2e_fail "client $x $y $w $h does not cover the screen"

# The second image one interval (2 s) later: 1280x320 with a band below.
e2e_wait_region 4 4 1272 312 '#0000ff' 5
elapsed=$(($(show_now_ms) - first_seen))
((elapsed > 1000 && elapsed < 3500)) || e2e_fail "second image after $elapsed ms, interval 2000"
e2e_wait_region 4 326 1272 470 '#11aa33' 2

# Pause on the band: the image on screen stays beyond two intervals.
show_menu 640 700 Down Down Return
paused=$(show_pixel 640 100)
sleep 4.5
[[ "$(show_pixel 640 100)" == "$paused" ]] || e2e_fail "the show went on while paused"

# Resume on the picture: the next image at once, well within the interval.
show_menu 640 100 Down Down Return
changed() { [[ "$(show_pixel 640 100)" != "$paused" ]]; }
resumed=$(show_now_ms)
e2e_until 2 changed || e2e_fail "Resume did not show the next image"
elapsed=$(($(show_now_ms) - resumed))
((elapsed < 1200)) || e2e_fail "next image $elapsed ms after Resume"

# The GIF's two frames take turns while it is on screen; then each other format at its tick.
for color in '#ffff00' '#ff00ff' '#ffff00'; do e2e_wait_region 200 200 400 400 "$color" 2; done
for color in '#00ffff' '#ff8000' '#8000ff' '#ffffff' '#808080' '#204060'; do
    e2e_wait_region 4 4 1058 792 "$color" 4
    e2e_wait_region 1072 4 204 792 '#11aa33' 2
done

# Stop: normal state, title bar, start-up size, centred, menus and settings back.
show_menu 640 100 Down Return
not_fullscreen() { ! fullscreen; }
e2e_until 10 not_fullscreen || e2e_fail "still full screen after Stop"
# Size and place as at start-up: the window does not move between start-up and Stop.
restored() {
    read -r x y w h < <(e2e_client_geometry "$WINDOW")
    [[ "$x $y $w $h" == "$CX $CY $CW $CH" ]]
}
e2e_until 10 restored || e2e_fail "client $x $y $w $h after Stop, $CX $CY $CW $CH at start-up"
read -r left right top bottom < <(e2e_frame_extents "$WINDOW")
((top > 10)) || e2e_fail "no title bar after Stop: frame $left $right $top $bottom"
menu_y=$((y + h - 246))
e2e_wait_region $((x + 8 + 168 + 3)) $((menu_y + 112 + 3)) 19 19 '#11aa33' 5
[[ "$(show_pixel $((x + 3)) $((menu_y + 150)))" == "$startup_pixel" ]] \
    || e2e_fail "background not the start-up colour after Stop"
e2e_pass
