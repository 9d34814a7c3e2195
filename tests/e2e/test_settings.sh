#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Saved settings reach the window at start-up: the folder and colour from the user's file, the
# delay from the machine-wide file; a folder on the command line wins over the saved one; Exit
# leaves the settings file byte for byte as it was.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
command -v xclip >/dev/null || e2e_fail "missing tool: xclip (run scripts/setup.sh --test)"
e2e_start_display 1280x800

conf=$XDG_CONFIG_HOME/Slidewell/Slidewell.conf
mkdir -p "$XDG_CONFIG_HOME/Slidewell" "$XDG_CONFIG_DIRS/Slidewell"
# 13395507 is 0x00CC6633: red 33, green 66, blue CC.
printf '%s\n' '[Software\Slidewell]' 'imageFolder="  /srv/stored photos  "' \
    'backgroundColor=13395507' >"$conf"
printf '%s\n' '[Software\Slidewell]' 'imageFolder=/srv/everyone' 'imageDelayInSeconds=7' \
    >"$XDG_CONFIG_DIRS/Slidewell/Slidewell.conf"
cp "$conf" "$E2E_TMP/saved.conf"

# Client-area origin and menu-bar height of the settings window.
locate_window() {
    window=$(e2e_wait_window '^Slidewell$')
    read -r x y w h < <(e2e_client_geometry "$window")
    menu_height=$((h - 246))
    ((menu_height > 10 && menu_height < 40)) || e2e_fail "client height $h: no menu bar"
}

clipboard_is() { [[ "$(timeout 2 xclip -o -selection clipboard 2>/dev/null)" == "$1" ]]; }

# expect_text X Y TEXT: the text box at X,Y of the settings frame holds exactly TEXT.
expect_text() {
    xdotool mousemove $((x + 8 + $1)) $((y + menu_height + $2)) click 1
    xdotool key --window "$window" ctrl+a ctrl+c
    e2e_until 5 clipboard_is "$3" \
        || e2e_fail "text at $1,$2 is '$(timeout 2 xclip -o -selection clipboard 2>&1)', expected '$3'"
}

expect_swatch() { e2e_wait_region $((x + 8 + 168 + 3)) $((y + menu_height + 112 + 3)) 19 19 "$1"; }

exit_and_check_file() {
    xdotool mousemove $((x + 8 + 232 + 28)) $((y + menu_height + 200 + 12)) click 1
    e2e_wait_exit "$APP_PID" 10
    status=$E2E_EXIT_STATUS
    [[ "$status" == 0 ]] || e2e_fail "Exit: status $status"
    cmp -s "$conf" "$E2E_TMP/saved.conf" || e2e_fail "Exit changed the settings file: $(cat "$conf")"
    leftovers=$(find "$XDG_CONFIG_HOME" -type f ! -path "$conf")
    [[ -z "$leftovers" ]] || e2e_fail "files left behind: $leftovers"
}

e2e_start_app
locate_window
expect_swatch '#3366CC'
expect_text 140 57 "  /srv/stored photos  "
expect_text 120 182 "7"
exit_and_check_file

e2e_start_app /srv/given
locate_window
expect_swatch '#3366CC'
expect_text 140 57 "/srv/given"
exit_and_check_file
e2e_pass
