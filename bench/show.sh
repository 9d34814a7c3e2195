#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The show benchmark: a real full-screen show (build/bench/slidewell_show_bench) under Xvfb at
# 1920x1080 with openbox, in the scenarios of docs/performance.md, and feh on the same display
# and files. Prints one line per scenario: tick to picture on screen (p50, p95, max), the event
# loop's longest wait, how long Stop took, peak memory; then feh's time per picture. Use:
# bench/show.sh [BUILD_DIR] [TICKS] [SCENARIO...]   (scenarios: jpeg metafile slow damaged feh;
# all by default). SLIDEWELL_SHOW_BENCH names another harness (an older build's).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
ticks=${2:-20}
shift $(($# > 2 ? 2 : $#))
scenarios=${*:-jpeg metafile slow damaged feh}
bench=${SLIDEWELL_SHOW_BENCH:-$build/bench/slidewell_show_bench}
for tool in Xvfb openbox xprop feh strace "$bench"; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/setup.sh --test, scripts/build.sh)" >&2; exit 1; }
done
images=$("$root/bench/make-images.sh")

tmp=$(mktemp -d /tmp/slidewell-show-bench.XXXXXX)
pids=()
cleanup() {
    ((${#pids[@]})) && kill "${pids[@]}" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
mkfifo "$tmp/displayfd"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -dpi 96 -nolisten tcp 3>"$tmp/displayfd" 2>"$tmp/xvfb.log" &
pids+=($!)
read -r -t 30 display <"$tmp/displayfd"
export DISPLAY=:$display
openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
export XDG_CONFIG_HOME=$tmp/config XDG_CONFIG_DIRS=$tmp/config-dirs XDG_RUNTIME_DIR=$tmp/runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CONFIG_DIRS"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1
export SLIDEWELL_METAFILE_HELPER=${SLIDEWELL_METAFILE_HELPER:-$build/slidewell-metafile}

# folder NAME FILE COPIES: a folder of COPIES links to one file.
folder() {
    local dir=$tmp/sets/$1 ext=${2##*.} i
    mkdir -p "$dir"
    for i in $(seq 1 "$3"); do ln -sf "$2" "$dir/$i.$ext"; done
    echo "$dir"
}
# run LABEL COMMAND...: one line of figures; every tick's time goes to BUILD_DIR/bench-show-ticks.txt.
run() {
    local label=$1
    shift
    "$@" >"$tmp/bench.out" 2>"$tmp/bench.err" || true
    sed "s|^|$label |" "$tmp/bench.out" >>"$build/bench-show-ticks.txt"
    printf '%s: %s\n' "$label" "$(tail -1 "$tmp/bench.out")"
}

jpegs=(jpeg-2mp jpeg-24mp jpeg-24mp-progressive jpeg-100mp jpeg-100mp-progressive)
# Seconds per picture: at least the picture's decode time.
delay_of() { case $1 in *100mp-progressive) echo 5 ;; *100mp) echo 3 ;; *) echo 2 ;; esac; }

for scenario in $scenarios; do
    case $scenario in
    jpeg)
        for name in "${jpegs[@]}"; do
            dir=$(folder "$name" "$images/$name.jpg" 3)
            run "$name" "$bench" --delay "$(delay_of "$name")" --ticks "$ticks" "$dir"
        done
        ;;
    metafile)
        # Every drawing hangs until the helper's deadline (10 s); Stop comes during the second.
        printf '#!/bin/sh\nexec sleep 600\n' >"$tmp/hanging-helper"
        chmod +x "$tmp/hanging-helper"
        dir=$(folder metafile "$root/tests/data/metafile-halves.emf" 2)
        run "hanging metafile helper" env SLIDEWELL_METAFILE_HELPER="$tmp/hanging-helper" \
            "$bench" --format EMF --delay 1 --ticks 1 --stop-after 500 "$dir"
        ;;
    slow)
        # Every open of a picture takes 3 s (strace delays them); Stop comes while one opens.
        dir=$(folder slow "$images/jpeg-2mp.jpg" 3)
        paths=()
        for file in "$dir"/*; do paths+=(-P "$file" -P "$(readlink "$file")"); done
        run "pictures that take 3 s to open" strace -f -qq --seccomp-bpf -o /dev/null "${paths[@]}" \
            -e trace=openat -e inject=openat:delay_enter=3s \
            "$bench" --delay 1 --ticks 3 --stop-after 1000 "$dir"
        ;;
    damaged)
        dir=$tmp/sets/damaged
        mkdir -p "$dir"
        head -c 3000000 "$images/jpeg-24mp.jpg" >"$dir/1-truncated.jpg"
        head -c 3000000 "$images/jpeg-24mp-progressive.jpg" >"$dir/2-truncated-progressive.jpg"
        : >"$dir/3-empty.jpg"
        echo "not a picture" >"$dir/4-text.jpg"
        cp "$images/bomb-progressive-20000.jpg" "$dir/5-bomb.jpg"
        ln -s "$images/jpeg-2mp.jpg" "$dir/6-good.jpg"
        run "damaged files" "$bench" --delay 1 --ticks "$ticks" "$dir"
        ;;
    feh)
        # feh's time per picture on the same display: (5 pictures - 1 picture) / 4.
        for name in "${jpegs[@]}"; do
            dir=$(folder "feh-$name" "$images/$name.jpg" 5)
            start=$EPOCHREALTIME
            feh -F -Z --on-last-slide=quit -D 0.001 "$dir/1.jpg" >/dev/null 2>&1
            one=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN {print b - a}')
            start=$EPOCHREALTIME
            feh -F -Z --on-last-slide=quit -D 0.001 "$dir"/*.jpg >/dev/null 2>&1
            all=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN {print b - a}')
            awk -v n="$name" -v a="$one" -v b="$all" \
                'BEGIN {printf "feh %s: %.1f ms per picture\n", n, (b - a) / 4 * 1000}'
        done
        ;;
    esac
done
echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
