#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The title-bar helper removes and restores the title bar live, leaving the client area in place.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
probe=$(dirname "$SLIDEWELL")/tests/e2e_titlebar_probe
[[ -x "$probe" ]] || e2e_fail "probe not built: $probe"
e2e_start_display

coproc PROBE { QT_QPA_PLATFORM=xcb "$probe" 2>"$E2E_TMP/probe.log"; }
E2E_PIDS+=("$PROBE_PID")
window=$(e2e_wait_window '^Titlebar Probe$')
top_is() { [[ "$(e2e_frame_extents "$window" | awk '{print $3}')" == "$1" ]]; }
# The title bar's height follows the window manager's font, whichever the fonts installed make it.
top_is_large() { (($(e2e_frame_extents "$window" | awk '{print $3}') >= 10)); }
e2e_until 5 top_is_large || e2e_fail "no title bar at first: $(e2e_frame_extents "$window")"
title_bar=$(e2e_frame_extents "$window" | awk '{print $3}')
before=$(e2e_client_geometry "$window")

command() {
    echo "$1" >&"${PROBE[1]}"
    read -r -t 5 reply <&"${PROBE[0]}" || e2e_fail "probe did not answer '$1'"
    echo "$reply"
}

[[ $(command off) == false ]] || e2e_fail "Titlebar reads true after writing false"
top_is_small() { (($(e2e_frame_extents "$window" | awk '{print $3}') < 10)); }
e2e_until 5 top_is_small || e2e_fail "title bar still there: $(e2e_frame_extents "$window")"
sleep 0.3
after_off=$(e2e_client_geometry "$window")
[[ "$after_off" == "$before" ]] || e2e_fail "client moved when the title bar went: $before -> $after_off"
left_border=$(e2e_frame_extents "$window" | awk '{print $1}')
((left_border > 0)) || e2e_fail "the border went with the title bar"

[[ $(command on) == true ]] || e2e_fail "Titlebar reads false after writing true"
e2e_until 5 top_is "$title_bar" || e2e_fail "title bar not back: $(e2e_frame_extents "$window")"
sleep 0.3
after_on=$(e2e_client_geometry "$window")
[[ "$after_on" == "$before" ]] || e2e_fail "client moved when the title bar came back: $before -> $after_on"
e2e_pass
