#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Long run, not part of CI: a show of COUNT generated JPEG pictures of mixed sizes at a 1-second
# delay for SECONDS, under Xvfb and openbox, in the adjustable window. Every minute it logs the
# program's resident memory and the caption (so a stuck show is seen); at the end it prints the
# resident memory of the first and the last sample.
#   [SLIDEWELL=program] scripts/long-run.sh [SECONDS] [COUNT] [LOG]   (defaults 3600, 300,
#   long-run.log; the program defaults to the one in build/)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-3600}
count=${2:-300}
log=$(realpath -m "${3:-long-run.log}")
source "$root/tests/e2e/lib.sh"
E2E_NAME=long-run
e2e_init "${SLIDEWELL:-$root/${SLIDEWELL_BUILD_DIR:-build}/slidewell}"
e2e_start_display 1280x800

folder=$E2E_TMP/pictures
mkdir -p "$folder"
# Sizes from a small icon-like picture to a 12-megapixel photo, so the decoder's buffers vary.
sizes=(64x48 640x480 1024x768 1920x1080 800x1200 2560x1440 4000x3000 300x2000)
for ((i = 0; i < count; ++i)); do
    size=${sizes[i % ${#sizes[@]}]}
    convert -size "$size" "gradient:hsb($((i * 37 % 360)),80%,90%)-black" -quality 85 \
        "$folder/picture $(printf %04d "$i").jpg" || e2e_fail "could not make picture $i"
done
e2e_log "$count pictures in $folder"

mkdir -p "$XDG_CONFIG_HOME/Slidewell"
printf '%s\n' '[Software\Slidewell]' 'imageDelayInSeconds=1' 'screenSize=adjustable' \
    'fileFormat=JPG' 'backgroundColor=0' >"$XDG_CONFIG_HOME/Slidewell/Slidewell.conf"

show_start "$folder"
show_play
e2e_wait_window '^Slidewell - picture [0-9]+\.jpg$' 10 >/dev/null

rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$APP_PID/status"; }
caption() { xdotool getwindowname "$WINDOW" 2>/dev/null; }

: >"$log"
sample() {
    local rss
    rss=$(rss_kib) || e2e_fail "the program has ended"
    printf '%s %6ds rss %s KiB caption "%s"\n' "$(date +%T)" $((SECONDS - start)) "$rss" \
        "$(caption)" | tee -a "$log"
}
start=$SECONDS
# The first few images settle the decoder's and the X connection's buffers.
sleep 20
sample
first=$(rss_kib)
while ((SECONDS - start < seconds)); do
    sleep 60
    sample
done
last=$(rss_kib)
echo "resident memory: start $first KiB, end $last KiB after $((SECONDS - start)) s" | tee -a "$log"

read -r x y w h < <(e2e_client_geometry "$WINDOW")
show_menu $((x + 20)) $((y + 20)) Down Return
e2e_until 10 e2e_find_window '^Slidewell - ' || e2e_fail "no window after Stop"
e2e_pass
