#!/usr/bin/env bash
# Compares, in one run and interleaved, Slidewell's per-image time and memory with the libjpeg-turbo
# limit (djpeg at the same DCT scale) and with feh's slideshow under Xvfb at 1920x1080, plus the
# program's start-up to its first painted window. Prints a Markdown table of medians over rounds
# and the ratios; the raw measurements go to BUILD_DIR/bench-compare-results.txt. Use:
# bench/compare.sh [BUILD_DIR] [ROUNDS]   (after scripts/setup.sh --test and scripts/build.sh; the
# test images are generated on first use).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-3}
bench=$build/bench/slidewell_bench
startup=$build/bench/slidewell_startup_bench
runs=5          # loads per file in one Slidewell or djpeg measurement
feh_copies=5    # feh shows this many copies of a file, and then one

for tool in Xvfb feh djpeg cjpeg convert identify "$bench" "$startup"; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/setup.sh --test, scripts/build.sh)" >&2; exit 1; }
done
images=$("$root/bench/make-images.sh")

tmp=$(mktemp -d /tmp/slidewell-compare.XXXXXX)
xvfb_pid=
cleanup() {
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
mkfifo "$tmp/displayfd"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$tmp/displayfd" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
read -r -t 30 display <"$tmp/displayfd"
export DISPLAY=:$display
export XDG_CONFIG_HOME=$tmp/config XDG_CONFIG_DIRS=$tmp/config-dirs XDG_RUNTIME_DIR=$tmp/runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CONFIG_DIRS"
mkdir -m 700 "$XDG_RUNTIME_DIR"

jpegs=(jpeg-2mp jpeg-2mp-progressive jpeg-12mp jpeg-12mp-progressive jpeg-24mp
    jpeg-24mp-progressive jpeg-24mp-exif6 jpeg-50mp jpeg-50mp-progressive jpeg-100mp
    jpeg-100mp-progressive)
files=()
for name in "${jpegs[@]}"; do files+=("$name.jpg"); done
files+=(bmp-24mp.bmp gif-1600x1067.gif ico-256.ico)
bombs=(bomb-bmp-65535.bmp bomb-progressive-20000.jpg)

now_ms() { echo "${EPOCHREALTIME/./}" | awk '{printf "%.3f", $1 / 1000}'; }
median() { sort -g | awk '{v[NR] = $1} END {print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
elapsed() { # COMMAND...: wall milliseconds
    local start end
    start=$(now_ms)
    "$@" >/dev/null 2>&1
    end=$(now_ms)
    awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", b - a}'
}

# The DCT scale M/8 at which Slidewell decoded: the one whose size matches what it reports.
dct_scale() { # FILE DECODED_WxH
    local w h dw dh m
    read -r w h < <(identify -ping -format '%w %h\n' "$1" | head -1)
    dw=${2%x*} dh=${2#*x}
    for m in 1 2 3 4 5 6 7 8; do
        local sw=$(((w * m + 7) / 8)) sh=$(((h * m + 7) / 8))
        if { ((sw == dw)) && ((sh == dh)); } || { ((sw == dh)) && ((sh == dw)); }; then
            echo "$m"
            return
        fi
    done
    echo 8
}

convert -size 16x16 xc:gray ppm:- | cjpeg >"$tmp/tiny.jpg"
for file in "${files[@]}"; do
    mkdir -p "$tmp/feh/$file"
    for i in $(seq 1 "$feh_copies"); do ln -s "$images/$file" "$tmp/feh/$file/$i-$file"; done
done

results=$tmp/results   # lines: round what file value
: >"$results"
for round in $(seq 1 "$rounds"); do
    echo "round $round of $rounds" >&2
    for i in $(seq 1 "$runs"); do
        echo "$round startup - $("$startup" --since "$(date +%s%N)" | awk '{print $3}')" >>"$results"
        echo "$round djpeg-start - $(elapsed djpeg -outfile /dev/null "$tmp/tiny.jpg")" >>"$results"
    done
    for file in "${files[@]}" "${bombs[@]}"; do
        out=$("$bench" --runs "$runs" "$images/$file")
        line=$(head -1 <<<"$out")
        median_ms=$(sed -E 's/.* median ([0-9.]+) ms.*/\1/' <<<"$line")
        echo "$round slidewell $file $median_ms" >>"$results"
        echo "$round rss $file $(tail -1 <<<"$out" | awk '{print $7}')" >>"$results"
        echo "$round rss-above-idle $file $(tail -1 <<<"$out" | awk '{print $7 - $3}')" >>"$results"
        if [[ $line == *refused* ]]; then
            continue
        fi
        decoded=$(sed -E 's/.* decoded ([0-9]+x[0-9]+) .*/\1/' <<<"$line")
        if [[ $file == *.jpg ]]; then
            scale=$(dct_scale "$images/$file" "$decoded")
            echo "$round scale $file $scale" >>"$results"
            for i in $(seq 1 "$runs"); do
                elapsed djpeg -scale "$scale/8" -outfile /dev/null "$images/$file"
                echo
            done | median | sed "s|^|$round djpeg $file |" >>"$results"
        fi
        one=$(elapsed feh -F -Z --on-last-slide=quit -D 0.001 "$tmp/feh/$file/1-$file")
        all=$(elapsed feh -F -Z --on-last-slide=quit -D 0.001 "$tmp/feh/$file/"*)
        awk -v a="$one" -v b="$all" -v n="$feh_copies" 'BEGIN {printf "%.3f\n", (b - a) / (n - 1)}' \
            | sed "s|^|$round feh $file |" >>"$results"
    done
done

cp "$results" "$build/bench-compare-results.txt"

# Median over rounds of one measurement.
value() { # WHAT FILE
    awk -v w="$1" -v f="$2" '$2 == w && $3 == f {print $4}' "$results" | median
}
start_cost=$(value djpeg-start -)
echo
echo "| file | Slidewell ms | limit ms (djpeg M/8) | Slidewell / limit | feh ms | feh / Slidewell | peak RSS MiB |"
echo "|---|---|---|---|---|---|---|"
for file in "${files[@]}"; do
    s=$(value slidewell "$file")
    f=$(value feh "$file")
    r=$(value rss "$file")
    if [[ $file == *.jpg ]]; then
        l=$(awk -v a="$(value djpeg "$file")" -v b="$start_cost" 'BEGIN {printf "%.1f", a - b}')
        limit="$l ($(value scale "$file")/8)"
        ratio=$(awk -v a="$s" -v b="$l" 'BEGIN {printf "%.2f", a / b}')
    else
        limit=-
        ratio=-
    fi
    printf '| %s | %.1f | %s | %s | %.1f | %.2f | %.1f |\n' "$file" "$s" "$limit" "$ratio" "$f" \
        "$(awk -v a="$f" -v b="$s" 'BEGIN {print a / b}')" "$r"
done
for file in "${bombs[@]}"; do
    printf '| %s | refused in %.2f | - | - | - | - | %.1f (%.1f above idle) |\n' "$file" \
        "$(value slidewell "$file")" "$(value rss "$file")" "$(value rss-above-idle "$file")"
done
echo
printf 'start-up to first painted window: %.1f ms (median of %d)\n' "$(value startup -)" \
    "$((rounds * runs))"
printf 'djpeg process start-up subtracted from the limit: %.1f ms\n' "$start_cost"
# EMF and WMF: no feh or djpeg to compare with; the median over the corpus, when it is there.
corpus=${SLIDEWELL_METAFILE_CORPUS:-$root/../shared/testdata/metafiles}
if [[ -d $corpus/emf || -d $corpus/wmf ]]; then
    for kind in emf wmf; do
        [[ -d $corpus/$kind ]] || continue
        SLIDEWELL_METAFILE_HELPER=$build/slidewell-metafile "$bench" --runs 3 "$corpus/$kind"/* \
            >"$tmp/$kind.out" || true
        grep ': shown ' "$tmp/$kind.out" | sed -E 's/.* median ([0-9.]+) ms.*/\1/' >"$tmp/$kind.times"
        printf '%s per image (helper included): median %.1f ms over %d files shown (%d refused)\n' \
            "${kind^^}" "$(median <"$tmp/$kind.times")" "$(wc -l <"$tmp/$kind.times")" \
            "$(grep -c ': refused ' "$tmp/$kind.out")"
    done
    cat "$tmp/emf.times" "$tmp/wmf.times" 2>/dev/null | median \
        | xargs printf 'EMF and WMF together: median %.1f ms per image\n'
fi
echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p'), load $(cut -d' ' -f1-3 /proc/loadavg)"
