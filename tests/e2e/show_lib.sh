#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Steps shared by the show scenarios, on top of lib.sh: fill in the settings panel and drive the
# show's popup menu. Coordinates are those of the designed panel, relative to the client area
# below the menu bar.

# show_start FOLDER: starts the program on the folder; sets WINDOW, the client geometry at
# start-up (CX CY CW CH), MENU_HEIGHT and SY, the top of the area below the menu bar.
show_start() {
    e2e_start_app "$1"
    WINDOW=$(e2e_wait_window '^Slidewell$')
    read -r CX CY CW CH < <(e2e_client_geometry "$WINDOW")
    MENU_HEIGHT=$((CH - 246))
    SY=$((CY + MENU_HEIGHT))
    xdotool windowfocus --sync "$WINDOW" 2>/dev/null
}

# show_click X Y: a left click on the settings panel.
show_click() { xdotool mousemove $((CX + $1)) $((SY + $2)) click 1; }

# show_settings full|adjustable FORMAT_LETTER DELAY: the size mode, the format (picked by its
# first letter; an empty letter keeps the one selected) and the delay text.
show_settings() {
    if [[ "$1" == full ]]; then show_click 34 96; else show_click 34 120; fi
    # The format box comes just before the delay box in the tab order; a letter picks its item.
    show_click 130 182
    xdotool key shift+Tab ${2:+"$2"} Tab ctrl+a
    xdotool type "$3"
}

# show_color #RRGGBB: picks the show's background in the colour dialog.
show_color() {
    show_click 250 124
    local dialog
    dialog=$(e2e_wait_window '^Select Color$')
    xdotool windowfocus --sync "$dialog" 2>/dev/null
    xdotool key alt+h ctrl+a
    xdotool type "$1"
    xdotool key Return
    e2e_until 5 e2e_window_gone "$dialog" '^Select Color$' || e2e_fail "colour dialog stayed open"
}

show_play() {
    show_click 204 212
    sleep 0.5
    ! e2e_find_window '^No Image Files Found$' || e2e_fail "the show found no images"
}

# show_menu X Y KEYS...: right-click at a screen position, wait for the popup menu, press keys.
# SHOW_MENU_SECONDS (default 5) is how long the menu may take to open and to close.
show_menu() {
    local x=$1 y=$2 seconds=${SHOW_MENU_SECONDS:-5}
    shift 2
    xdotool mousemove "$x" "$y" click 3
    e2e_wait_window '^Slidewell Show Menu$' "$seconds" >/dev/null
    xdotool key "$@"
    e2e_until "$seconds" show_menu_closed || e2e_fail "popup menu stayed open"
}

show_menu_closed() { ! e2e_find_window '^Slidewell Show Menu$'; }

# show_pixel X Y: the colour of one screen pixel now.
show_pixel() {
    e2e_screenshot "$E2E_TMP/pixel.png"
    e2e_pixel "$E2E_TMP/pixel.png" "$1" "$2"
}

show_now_ms() { echo $(($(date +%s%N) / 1000000)); }
