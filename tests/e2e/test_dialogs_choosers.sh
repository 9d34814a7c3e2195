#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# "Select Image Folder..." and "Change Color..." open the real dialogs: a choice changes the
# folder box and the swatch, a cancel leaves both as they were.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800
pictures=$E2E_TMP/holiday\ pictures
mkdir -p "$pictures" "$E2E_TMP/other"

e2e_start_app
window=$(e2e_wait_window '^Slidewell$')
read -r x y w h < <(e2e_client_geometry "$window")
menu_height=$((h - 246))
# Positions inside the settings frame, which sits at (8, 0) under the menu bar.
fx=$((x + 8)) fy=$((y + menu_height))

click_at() {
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool mousemove "$1" "$2" click 1
}

# The folder box's text, copied through the clipboard.
folder_text() {
    click_at $((fx + 8 + 140)) $((fy + 48 + 9))
    xdotool key ctrl+a ctrl+c
    timeout 5 xclip -o -selection clipboard 2>/dev/null
}

text_is() { [[ "$(folder_text)" == "$1" ]]; }

choose_folder() {
    click_at $((fx + 8 + 64)) $((fy + 16 + 12))
    local dialog
    dialog=$(e2e_wait_window '^Please select a folder:$')
    xdotool windowfocus --sync "$dialog" 2>/dev/null
    if [[ -n "$1" ]]; then
        xdotool type --delay 5 "$1/"
        xdotool key Return
        e2e_until 10 e2e_window_gone "$dialog" '^Please select a folder:$' \
            || e2e_fail "the folder chooser did not close"
    else
        xdotool type --delay 5 "$E2E_TMP/other/"
        # The first Escape may only close the completion list that typing opened.
        escaped() {
            xdotool key Escape
            sleep 0.2
            e2e_window_gone "$dialog" '^Please select a folder:$'
        }
        e2e_until 10 escaped || e2e_fail "the folder chooser did not close"
    fi
}

choose_folder "$pictures"
e2e_until 5 text_is "$pictures" || e2e_fail "folder box reads '$(folder_text)', expected '$pictures'"
choose_folder ""
sleep 0.3
text_is "$pictures" || e2e_fail "cancel changed the folder box to '$(folder_text)'"

swatch_x=$((fx + 168 + 3)) swatch_y=$((fy + 112 + 3))
e2e_wait_region "$swatch_x" "$swatch_y" 19 19 black

choose_colour() {
    click_at $((fx + 200 + 44)) $((fy + 112 + 12))
    local dialog
    dialog=$(e2e_wait_window '^Select Color$')
    xdotool windowfocus --sync "$dialog" 2>/dev/null
    xdotool key alt+h ctrl+a
    xdotool type --delay 5 "$1"
    xdotool key "$2"
    e2e_until 10 e2e_window_gone "$dialog" '^Select Color$' || e2e_fail "the colour chooser did not close"
}

choose_colour '#11aa33' Return
e2e_wait_region "$swatch_x" "$swatch_y" 19 19 '#11aa33'
choose_colour '#ff00ff' Escape
sleep 0.3
e2e_screenshot "$E2E_TMP/after-cancel.png"
e2e_region_is "$E2E_TMP/after-cancel.png" "$swatch_x" "$swatch_y" 19 19 '#11aa33' \
    || e2e_fail "cancel changed the swatch to $(e2e_pixel "$E2E_TMP/after-cancel.png" "$swatch_x" "$swatch_y")"
e2e_pass
