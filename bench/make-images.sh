#!/usr/bin/env bash
# Generates the benchmark's photo-like test images, the same bytes on every run, into a cache
# folder (default ~/.cache/slidewell-bench, or the first argument). Files already there are kept.
# Needs ImageMagick and cjpeg (libjpeg-turbo-progs).
set -euo pipefail
out=${1:-${XDG_CACHE_HOME:-$HOME/.cache}/slidewell-bench}
mkdir -p "$out"
cd "$out"

# A plasma landscape with a few sharp shapes, slightly blurred: the scene every size is cut from.
if [[ ! -f base.ppm ]]; then
    convert -seed 11 -size 1200x800 plasma:fractal \
        -fill '#d8c070' -draw 'circle 900,220 980,260' \
        -fill '#203040' -draw 'rectangle 120,480 520,760' \
        -fill '#f4f4f0' -draw 'polygon 600,700 760,420 920,700' \
        -stroke '#101010' -strokewidth 6 -draw 'line 0,400 1200,520' \
        -blur 0x1.5 base.tmp.ppm
    mv base.tmp.ppm base.ppm
fi

# The scene at width x height with fresh sensor-like noise, as raw pixels on stdout. Above 64 MP
# in ten strips, each from a tenth of the scene, which keeps ImageMagick within its memory limits.
scene() {
    local width=$1 height=$2 strip
    if ((width * height <= 64000000)); then
        convert base.ppm -resize "${width}x$height!" -seed 5 -attenuate 0.35 +noise Gaussian ppm:-
        return
    fi
    printf 'P6\n%d %d\n255\n' "$width" "$height"
    for strip in 0 1 2 3 4 5 6 7 8 9; do
        convert base.ppm -crop "1200x80+0+$((strip * 80))" +repage \
            -resize "${width}x$((height / 10))!" -seed $((5 + strip)) -attenuate 0.35 \
            +noise Gaussian -depth 8 rgb:-
    done
}

jpegs() { # name width height
    local name=$1
    [[ -f $name.jpg && -f $name-progressive.jpg ]] && return
    scene "$2" "$3" >"$name.tmp.ppm"
    cjpeg -quality 90 "$name.tmp.ppm" >"$name.jpg"
    cjpeg -quality 90 -progressive "$name.tmp.ppm" >"$name-progressive.jpg"
    rm "$name.tmp.ppm"
}

jpegs jpeg-2mp 1728 1152
jpegs jpeg-12mp 4240 2832
jpegs jpeg-24mp 6000 4000
jpegs jpeg-50mp 8688 5792
jpegs jpeg-100mp 12240 8160

# Stored 6000 x 4000, shown turned a quarter clockwise: an EXIF block with orientation 6 right
# after the start-of-image marker.
if [[ ! -f jpeg-24mp-exif6.jpg ]]; then
    {
        printf '\xff\xd8\xff\xe1\x00\x22Exif\x00\x00'
        printf 'II\x2a\x00\x08\x00\x00\x00\x01\x00\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00\x00\x00'
        printf '\x00\x00\x00\x00'
        tail -c +3 jpeg-24mp.jpg
    } >jpeg-24mp-exif6.jpg
fi

[[ -f bmp-24mp.bmp ]] || scene 6000 4000 | convert ppm:- -type TrueColor BMP3:bmp-24mp.bmp
[[ -f gif-1600x1067.gif ]] || scene 1600 1067 | convert ppm:- gif-1600x1067.gif
[[ -f ico-256.ico ]] || scene 256 256 | convert ppm:- -depth 8 ico-256.ico

# Header bombs: tiny files whose headers claim enormous pictures.
if [[ ! -f bomb-bmp-65535.bmp ]]; then
    {
        printf 'BM\x00\x10\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00'
        printf '\x28\x00\x00\x00\xff\xff\x00\x00\xff\xff\x00\x00\x01\x00\x18\x00'
        head -c 4066 /dev/zero
    } >bomb-bmp-65535.bmp
fi
if [[ ! -f bomb-progressive-20000.jpg ]]; then
    convert base.ppm -resize 64x64! ppm:- | cjpeg -quality 90 -progressive >bomb.tmp.jpg
    # The start-of-frame (progressive) marker: height and width follow 3 bytes after it.
    offset=$(LC_ALL=C grep -obUaP '\xff\xc2' bomb.tmp.jpg | head -1 | cut -d: -f1)
    printf '\x4e\x20\x4e\x20' | dd of=bomb.tmp.jpg bs=1 seek=$((offset + 5)) conv=notrunc status=none
    mv bomb.tmp.jpg bomb-progressive-20000.jpg
fi
echo "$out"
