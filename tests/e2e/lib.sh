#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Real-window test harness: a private Xvfb, openbox, xdotool for input, ImageMagick for screenshots.
# Every wait has a deadline; everything started is killed on exit; a failure leaves a screenshot
# and the logs in the artifacts folder. show_* drive the settings panel (coordinates from its
# corner below the menu bar) and the show's popup menu. Use: e2e_init "$@"; e2e_start_display.
set -uo pipefail
E2E_PIDS=()
E2E_NAME=$(basename "${BASH_SOURCE[1]:-e2e}" .sh)
e2e_log() { printf '[%s %s] %s\n' "$E2E_NAME" "$(date +%T.%3N)" "$*" >&2; }
e2e_pass() { e2e_log PASS && exit 0; }
e2e_fail() {
    e2e_log "FAIL: $*"
    [[ -n "${DISPLAY:-}" ]] && import -window root "$E2E_ARTIFACTS/$E2E_NAME-failure.png" 2>/dev/null
    local log
    for log in "$E2E_TMP"/*.log; do cp "$log" "$E2E_ARTIFACTS/$E2E_NAME-${log##*/}" 2>/dev/null; done
    exit 1
}
e2e_cleanup() {
    kill "${E2E_PIDS[@]}" 2>/dev/null
    sleep 0.1
    kill -9 "${E2E_PIDS[@]}" 2>/dev/null
    [[ -n "${E2E_TMP:-}" && -d "$E2E_TMP" ]] && rm -rf "$E2E_TMP"
}

# e2e_init PATH_TO_SLIDEWELL [TOOL...]: checks the tools and makes a private home for the run,
# where CONF is the user's settings file.
e2e_init() {
    SLIDEWELL=${1:?path to the slidewell executable}
    local tool
    for tool in Xvfb openbox xdotool xwininfo xprop import convert compare "${@:2}"; do
        command -v "$tool" >/dev/null || e2e_fail "missing tool: $tool (run scripts/setup.sh --test)"
    done
    E2E_ARTIFACTS=${SLIDEWELL_E2E_ARTIFACTS:-/tmp/slidewell-e2e}
    E2E_TMP=$(mktemp -d /tmp/slidewell-e2e.XXXXXX)
    export XDG_CONFIG_HOME=$E2E_TMP/config XDG_RUNTIME_DIR=$E2E_TMP/runtime XDG_CONFIG_DIRS=$E2E_TMP/dirs
    mkdir -p "$E2E_ARTIFACTS" "$XDG_CONFIG_HOME/Slidewell" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_DIRS/Slidewell"
    chmod 700 "$XDG_RUNTIME_DIR"
    CONF=$XDG_CONFIG_HOME/Slidewell/Slidewell.conf
    trap e2e_cleanup EXIT
}

# e2e_until SECONDS COMMAND...: runs the command every 50 ms until it succeeds or time is up.
e2e_until() {
    local deadline=$((SECONDS + $1))
    shift
    while ! "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}
e2e_wm_ready() {
    local id
    id=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | awk '/window id/ {print $NF}')
    [[ -n "$id" ]] && xwininfo -id "$id" >/dev/null 2>&1
}
# e2e_start_display: Xvfb 1280x800 at 96 dpi, letting the server pick a free display, plus
# openbox; exports DISPLAY. Servers started at the same moment can race for one display number
# and the loser exits, so a failed start is tried again.
e2e_start_display() {
    local fifo=$E2E_TMP/displayfd number xvfb wm
    for _ in 1 2 3 4 5; do
        mkfifo "$fifo"
        Xvfb -displayfd 3 -screen 0 1280x800x24 -dpi 96 -nolisten tcp 3>"$fifo" 2>>"$E2E_TMP/xvfb.log" &
        xvfb=$!
        read -r -t 30 number <"$fifo"
        rm -f "$fifo"
        export DISPLAY=:$number
        openbox --sm-disable >>"$E2E_TMP/openbox.log" 2>&1 &
        wm=$!
        E2E_PIDS+=("$xvfb" "$wm")
        [[ -n "$number" ]] && e2e_until 30 e2e_wm_ready && kill -0 "$xvfb" "$wm" 2>/dev/null \
            && e2e_log "display $DISPLAY with openbox" && return 0
        kill "$wm" "$xvfb" 2>/dev/null
        sleep 0.$((RANDOM % 9 + 1))
    done
    e2e_fail "no display with a window manager"
}

# e2e_start_app ARGS...: starts the program; APP_PID holds its process id.
e2e_start_app() {
    QT_QPA_PLATFORM=xcb QT_STYLE_OVERRIDE=Fusion QT_SCALE_FACTOR=1 QT_AUTO_SCREEN_SCALE_FACTOR=0 \
        "$SLIDEWELL" "$@" >>"$E2E_TMP/app.log" 2>&1 &
    APP_PID=$!
    E2E_PIDS+=("$APP_PID")
}
# e2e_wait_exit PID: waits for the process to end and fails unless its status is 0. Runs in the
# calling shell: only the shell that started the process can read its status.
e2e_process_gone() { ! kill -0 "$1" 2>/dev/null; }
e2e_wait_exit() {
    e2e_until 10 e2e_process_gone "$1" || e2e_fail "process $1 did not end"
    wait "$1"
    local status=$?
    ((status == 0)) || e2e_fail "the program ended with status $status"
}

# e2e_wait_window NAME_REGEX [SECONDS]: prints the id of the first visible window so named.
e2e_find_window() {
    E2E_FOUND=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [[ -n "$E2E_FOUND" ]]
}
e2e_wait_window() {
    e2e_until "${2:-15}" e2e_find_window "$1" || e2e_fail "no window named '$1'"
    echo "$E2E_FOUND"
}
e2e_window_gone() { ! xwininfo -id "$1" >/dev/null 2>&1 || ! e2e_find_window "$2"; }
# e2e_client_geometry WINDOW: "X Y WIDTH HEIGHT" of the client area on screen; e2e_frame_extents
# WINDOW: "LEFT RIGHT TOP BOTTOM" of the frame. (Without an id, xwininfo would wait for a click.)
e2e_client_geometry() {
    [[ -n "$1" ]] || e2e_fail "e2e_client_geometry without a window id"
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
        /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x, y, w, h}'
}
e2e_frame_extents() { xprop -id "${1:?}" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ','; }
e2e_title_bar() { e2e_frame_extents "$1" | awk '{print $3}'; }
# e2e_frame_centred WINDOW [TOLERANCE]: true when the whole window, frame included, is centred on
# the screen (to the pixel by default); sets X Y W H to its client geometry.
e2e_frame_centred() {
    local left right top bottom
    read -r left right top bottom < <(e2e_frame_extents "$1")
    read -r X Y W H < <(e2e_client_geometry "$1")
    e2e_close_enough $((X - left + (left + W + right) / 2)) 640 "${2:-1}" \
        && e2e_close_enough $((Y - top + (top + H + bottom) / 2)) 400 "${2:-1}"
}
e2e_close_enough() { (($1 - $2 <= $3 && $2 - $1 <= $3)); }

# e2e_region_is FILE X Y W H COLOR: true when every pixel of the region has the colour.
e2e_region_is() {
    local file=$1 x=$2 y=$3 w=$4 h=$5 color=$6 crop=$E2E_TMP/region.png bad
    convert "$file" -crop "${w}x${h}+${x}+${y}" +repage "$crop" 2>/dev/null || return 1
    [[ "$(identify -format '%wx%h' "$crop" 2>/dev/null)" == "${w}x${h}" ]] || return 1
    bad=$(compare -metric AE -fuzz 3% "$crop" -size "${w}x${h}" "xc:$color" null: 2>&1)
    [[ "$bad" == 0 ]]
}
e2e_screenshot() { import -window root "$1" 2>/dev/null; }
e2e_shot_region_is() { e2e_screenshot "$E2E_TMP/poll.png" && e2e_region_is "$E2E_TMP/poll.png" "$@"; }
# e2e_wait_region X Y W H COLOR [SECONDS]: polls screenshots until the region has the colour.
e2e_wait_region() {
    e2e_until "${6:-10}" e2e_shot_region_is "$1" "$2" "$3" "$4" "$5" \
        || e2e_fail "region ${3}x${4}+${1}+${2} never became $5 (pixel: $(e2e_pixel "$1" "$2"))"
}
# e2e_pixel X Y: the colour of one screen pixel now, as #RRGGBB.
e2e_pixel() {
    e2e_screenshot "$E2E_TMP/pixel.png"
    convert "$E2E_TMP/pixel.png" -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | awk 'NR == 2 {print $3}'
}

# e2e_menu_key WINDOW KEY: opens a menu of the window with its key and waits for it: menus, lists
# and dialogs are windows of their own.
e2e_app_windows() { xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | wc -l; }
e2e_more_windows_than() { (($(e2e_app_windows) > $1)); }
e2e_menu_key() {
    local before
    before=$(e2e_app_windows)
    xdotool key --window "$1" "$2"
    e2e_until 5 e2e_more_windows_than "$before" || e2e_fail "$2 opened no menu"
}

# show_start ARGS...: starts the program; sets WINDOW, the client geometry at start-up
# (CX CY CW CH) and SY, the top of the settings panel below the menu bar.
show_start() {
    e2e_start_app "$@"
    WINDOW=$(e2e_wait_window '^Slidewell$')
    read -r CX CY CW CH < <(e2e_client_geometry "$WINDOW")
    SY=$((CY + CH - 246))
    xdotool windowfocus --sync "$WINDOW" 2>/dev/null
}
show_click() { xdotool mousemove $((CX + $1)) $((SY + $2)) click 1; }
show_play() {
    show_click 204 212 && sleep 0.5
    ! e2e_find_window '^No Image Files Found$' || e2e_fail "the show found no images"
}

# show_expect_text X Y TEXT: the box at that point of the panel holds exactly TEXT.
show_expect_text() {
    local text=$3
    show_click "$1" "$2"
    xdotool key --window "$WINDOW" ctrl+a ctrl+c
    e2e_until 5 eval '[[ "$(timeout 2 xclip -o -selection clipboard 2>/dev/null)" == "$text" ]]' \
        || e2e_fail "box at $1,$2 holds '$(timeout 2 xclip -o -selection clipboard 2>&1)', not '$3'"
}
# show_settings full|adjustable FORMAT_LETTER DELAY: the size mode, the format (picked by its
# first letter from the delay box, which follows it in the tab order; an empty letter keeps the
# one selected) and the delay text.
show_settings() {
    if [[ "$1" == full ]]; then show_click 34 96; else show_click 34 120; fi
    show_click 140 182
    xdotool key shift+Tab ${2:+"$2"} Tab ctrl+a
    xdotool type "$3"
}
# show_color #RRGGBB [KEY]: types the colour into the colour dialog and leaves it with the key
# (Return by default).
show_color() {
    show_click 250 124
    local dialog
    dialog=$(e2e_wait_window '^Select Color$')
    xdotool windowfocus --sync "$dialog" 2>/dev/null
    xdotool key alt+h ctrl+a
    xdotool type "$1"
    xdotool key "${2:-Return}"
    e2e_until 5 e2e_window_gone "$dialog" '^Select Color$' || e2e_fail "colour dialog stayed open"
}
# show_menu X Y KEYS...: right-click at a screen position, wait for the popup menu to open at
# the pointer, press keys. SHOW_MENU_SECONDS (default 5) is how long it may take to open and close.
show_menu() {
    local x=$1 y=$2 seconds=${SHOW_MENU_SECONDS:-5} menu mx my
    shift 2
    xdotool mousemove "$x" "$y" click 3
    menu=$(e2e_wait_window '^Slidewell Show Menu$' "$seconds")
    read -r mx my _ < <(e2e_client_geometry "$menu")
    e2e_close_enough "$mx" "$x" 2 && e2e_close_enough "$my" "$y" 2 \
        || e2e_fail "popup menu at $mx,$my, the pointer at $x,$y"
    xdotool key "$@"
    e2e_until "$seconds" e2e_window_gone "$menu" '^Slidewell Show Menu$' || e2e_fail "popup menu stayed open"
}

# show_restored: after Stop the client area has its start-up size and place again.
show_restored() {
    read -r x y w h < <(e2e_client_geometry "$WINDOW")
    [[ "$x $y $w $h" == "$CX $CY $CW $CH" ]]
}
show_fullscreen() { xprop -id "$WINDOW" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN; }
show_windowed() { ! show_fullscreen; }
show_now_ms() { echo $(($(date +%s%N) / 1000000)); }
