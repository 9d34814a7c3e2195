#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# A folder of EMF files plays like any other format: each picture fitted at the top-left, the
# show's colour where the picture is transparent and in the band; a damaged file shows only the
# colour for one interval. Then the same for WMF files.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/show_lib.sh"
e2e_init "$@"
e2e_start_display 1280x800
data=$(cd "$(dirname "$0")/../data" && pwd)

folder=$E2E_TMP/pictures
mkdir -p "$folder"
# Twice as wide as high, the left half red and the right half transparent.
cp "$data/metafile-halves.emf" "$folder/1.emf"
head -c 100 "$data/metafile-halves.emf" >"$folder/2.emf"
cp "$data/metafile-halves.wmf" "$folder/1.wmf"
head -c 100 "$data/metafile-halves.wmf" >"$folder/2.wmf"

fullscreen() { e2e_window_state "$WINDOW" | grep -q _NET_WM_STATE_FULLSCREEN; }

# shows_halves: full width (1280 x 640), red on the left, the colour on the right and below.
shows_halves() {
    e2e_until 10 fullscreen || e2e_fail "not full screen: $(e2e_window_state "$WINDOW")"
    e2e_wait_region 8 8 620 620 '#ff0000' 8
    e2e_wait_region 652 8 620 620 '#11aa33' 3
    e2e_wait_region 8 652 1264 140 '#11aa33' 3
}

show_start "$folder"
show_settings full e 3
show_color '#11aa33'
show_play
shows_halves
# The damaged file: only the colour, then the first file again.
e2e_wait_region 8 8 1264 784 '#11aa33' 8
shows_halves
show_menu 640 700 Down Return
e2e_wait_window '^Slidewell$' 10 >/dev/null

xdotool windowfocus --sync "$WINDOW" 2>/dev/null
show_settings full w 3
show_play
shows_halves
e2e_wait_region 8 8 1264 784 '#11aa33' 8
shows_halves
e2e_pass
