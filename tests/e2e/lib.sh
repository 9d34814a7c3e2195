#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Real-window test harness: a private Xvfb picking its own display, openbox as the window manager,
# xdotool for input, ImageMagick for screenshots. Every wait has a deadline; everything started is
# killed on exit; a failure leaves a screenshot and the program's log in the artifacts folder.
#
# Use:  source "$(dirname "$0")/lib.sh"; e2e_init "$@"; e2e_start_display; e2e_start_app ARGS...
set -uo pipefail

E2E_PIDS=()
E2E_NAME=$(basename "${BASH_SOURCE[1]:-e2e}" .sh)

e2e_log() { printf '[%s %s] %s\n' "$E2E_NAME" "$(date +%T.%3N)" "$*" >&2; }

e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do
        kill "$pid" 2>/dev/null
    done
    sleep 0.1
    for pid in "${E2E_PIDS[@]}"; do
        kill -9 "$pid" 2>/dev/null
    done
    [[ -n "${E2E_TMP:-}" && -d "$E2E_TMP" ]] && rm -rf "$E2E_TMP"
}

e2e_fail() {
    e2e_log "FAIL: $*"
    if [[ -n "${DISPLAY:-}" ]]; then
        import -display "$DISPLAY" -window root "$E2E_ARTIFACTS/$E2E_NAME-failure.png" 2>/dev/null
    fi
    [[ -f "${E2E_APP_LOG:-}" ]] && cp "$E2E_APP_LOG" "$E2E_ARTIFACTS/$E2E_NAME-app.log"
    local log
    for log in openbox xvfb; do
        [[ -f "$E2E_TMP/$log.log" ]] && cp "$E2E_TMP/$log.log" "$E2E_ARTIFACTS/$E2E_NAME-$log.log"
    done
    exit 1
}

e2e_skip() {
    e2e_log "SKIP: $*"
    exit 0
}

# e2e_init PATH_TO_SLIDEWELL: checks the tools and makes a private home for the run.
e2e_init() {
    SLIDEWELL=${1:?path to the slidewell executable}
    local tool
    for tool in Xvfb openbox xdotool xwininfo xprop import convert compare; do
        command -v "$tool" >/dev/null || e2e_fail "missing tool: $tool (run scripts/setup.sh --test)"
    done
    E2E_ARTIFACTS=${SLIDEWELL_E2E_ARTIFACTS:-/tmp/slidewell-e2e}
    mkdir -p "$E2E_ARTIFACTS"
    E2E_TMP=$(mktemp -d /tmp/slidewell-e2e.XXXXXX)
    export XDG_CONFIG_HOME=$E2E_TMP/config XDG_RUNTIME_DIR=$E2E_TMP/runtime
    export XDG_CONFIG_DIRS=$E2E_TMP/config-dirs
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_DIRS"
    chmod 700 "$XDG_RUNTIME_DIR"
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

e2e_try_display() {
    local size=$1 fifo=$E2E_TMP/displayfd.$RANDOM number xvfb wm
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -dpi 96 -nolisten tcp 3>"$fifo" 2>>"$E2E_TMP/xvfb.log" &
    xvfb=$!
    E2E_PIDS+=("$xvfb")
    read -r -t 30 number <"$fifo"
    rm -f "$fifo"
    [[ -n "$number" ]] || return 1
    export DISPLAY=:$number
    openbox --sm-disable >>"$E2E_TMP/openbox.log" 2>&1 &
    wm=$!
    E2E_PIDS+=("$wm")
    # Servers started at the same moment can race for one display number; the loser exits.
    if e2e_until 30 e2e_wm_ready && kill -0 "$xvfb" 2>/dev/null && kill -0 "$wm" 2>/dev/null; then
        return 0
    fi
    kill "$wm" "$xvfb" 2>/dev/null
    return 1
}

# e2e_start_display [WIDTHxHEIGHT]: Xvfb at 96 dpi plus openbox; exports DISPLAY.
e2e_start_display() {
    local size=${1:-1280x800} attempt
    for attempt in 1 2 3 4 5; do
        if e2e_try_display "$size"; then
            e2e_log "display $DISPLAY ($size) with openbox"
            return 0
        fi
        e2e_log "display start $attempt failed, trying again"
        sleep 0.$((RANDOM % 9 + 1))
    done
    e2e_fail "no display with a window manager"
}

# e2e_start_app ARGS...: starts the program; APP_PID holds its process id.
e2e_start_app() {
    E2E_APP_LOG=$E2E_TMP/app.log
    QT_QPA_PLATFORM=xcb QT_STYLE_OVERRIDE=Fusion QT_SCALE_FACTOR=1 QT_AUTO_SCREEN_SCALE_FACTOR=0 \
        "$SLIDEWELL" "$@" >"$E2E_APP_LOG" 2>&1 &
    APP_PID=$!
    E2E_PIDS+=("$APP_PID")
}

e2e_find_window() {
    E2E_FOUND=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [[ -n "$E2E_FOUND" ]]
}

# e2e_wait_window NAME_REGEX [SECONDS]: prints the id of the first visible window so named.
e2e_wait_window() {
    e2e_until "${2:-15}" e2e_find_window "$1" || e2e_fail "no window named '$1'"
    echo "$E2E_FOUND"
}

e2e_window_gone() { ! xwininfo -id "$1" >/dev/null 2>&1 || ! e2e_find_window "$2"; }

# e2e_client_geometry WINDOW: "X Y WIDTH HEIGHT" of the client area on screen.
e2e_client_geometry() {
    [[ -n "$1" ]] || e2e_fail "e2e_client_geometry without a window id"
    xwininfo -id "$1" | awk '
        /Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
        /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x, y, w, h}'
}

# e2e_frame_extents WINDOW: "LEFT RIGHT TOP BOTTOM" of the window manager's frame.
e2e_frame_extents() {
    [[ -n "$1" ]] || e2e_fail "e2e_frame_extents without a window id"
    xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ','
}

# e2e_frame_centred WINDOW: true when the whole window, frame included, is centred on the
# 1280x800 screen to the pixel; sets X Y W H to its client geometry.
e2e_frame_centred() {
    local left right top bottom
    read -r left right top bottom < <(e2e_frame_extents "$1")
    read -r X Y W H < <(e2e_client_geometry "$1")
    e2e_close_enough $((X - left + (left + W + right) / 2)) 640 1 \
        && e2e_close_enough $((Y - top + (top + H + bottom) / 2)) 400 1
}

# e2e_window_state WINDOW: the _NET_WM_STATE atoms, one line.
e2e_window_state() {
    [[ -n "$1" ]] || e2e_fail "e2e_window_state without a window id"
    xprop -id "$1" _NET_WM_STATE | sed -n 's/.*= //p'
}

# e2e_screenshot FILE: the whole screen.
e2e_screenshot() { import -window root "$1" 2>/dev/null; }

# e2e_region_is FILE X Y W H COLOR [FUZZ]: true when every pixel of the region has the colour.
e2e_region_is() {
    local file=$1 x=$2 y=$3 w=$4 h=$5 color=$6 fuzz=${7:-3%} crop=$E2E_TMP/region.png size bad
    convert "$file" -crop "${w}x${h}+${x}+${y}" +repage "$crop" 2>/dev/null || return 1
    size=$(identify -format '%wx%h' "$crop" 2>/dev/null)
    [[ "$size" == "${w}x${h}" ]] || return 1
    bad=$(compare -metric AE -fuzz "$fuzz" "$crop" -size "${w}x${h}" "xc:$color" null: 2>&1)
    [[ "$bad" == 0 ]]
}

# e2e_pixel FILE X Y: the pixel's colour as #RRGGBB.
e2e_pixel() {
    convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- 2>/dev/null | awk 'NR == 2 {print $3}'
}

e2e_shot_region_is() {
    e2e_screenshot "$E2E_TMP/poll.png" && e2e_region_is "$E2E_TMP/poll.png" "$@"
}

# e2e_wait_region X Y W H COLOR [SECONDS]: polls screenshots until the region has the colour.
e2e_wait_region() {
    local seconds=${6:-10}
    e2e_until "$seconds" e2e_shot_region_is "$1" "$2" "$3" "$4" "$5" \
        || e2e_fail "region ${3}x${4}+${1}+${2} never became $5 (pixel: $(e2e_pixel "$E2E_TMP/poll.png" "$1" "$2"))"
}

e2e_process_gone() { ! kill -0 "$1" 2>/dev/null; }

# e2e_wait_exit PID [SECONDS]: waits for the process to end and sets E2E_EXIT_STATUS. Runs in
# the calling shell: only the shell that started the process can read its status.
e2e_wait_exit() {
    e2e_until "${2:-10}" e2e_process_gone "$1" || e2e_fail "process $1 did not end"
    wait "$1"
    E2E_EXIT_STATUS=$?
}

# e2e_close_enough A B TOLERANCE: |A - B| <= TOLERANCE.
e2e_close_enough() {
    local d=$(($1 - $2))
    ((d < 0)) && d=$((-d))
    ((d <= $3))
}

e2e_pass() {
    e2e_log "PASS"
    exit 0
}
