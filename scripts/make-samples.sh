#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Draws the sample show: a few pictures in each raster format Slidewell plays (BMP, DIB, GIF,
# ICO, JPG), made here with ImageMagick so that nothing is downloaded or copied from elsewhere.
# The EMF and WMF samples come from packaging/MetafileSamples.cpp.
# The pictures differ in shape (landscape, wide, tall, square icons) so that a show also
# demonstrates how each picture is fitted into the window.
# Use: make-samples.sh OUTPUT_FOLDER
set -euo pipefail
out=${1:?output folder}
mkdir -p "$out"
cd "$out"
rm -f ./*.bmp ./*.dib ./*.gif ./*.ico ./*.jpg ./*.jpeg

# Fixed seeds and no metadata, so that every build draws the same bytes.
im() { convert -seed 4242 "$@"; }
finish=(-strip)

# JPG: soft, photo-like scenes.
im -size 800x600 gradient:'#23204f'-'#ff8a5c' \
    \( -size 800x600 xc:none -fill '#ffd37a' -draw "circle 560,330 560,270" -blur 0x6 \) -composite \
    -fill '#ffe7a8' -draw "circle 560,330 560,285" \
    -fill '#5b2f5e' -draw "path 'M 0,400 Q 150,330 300,380 T 600,360 T 800,390 L 800,600 L 0,600 Z'" \
    -fill '#3a1f45' -draw "path 'M 0,470 Q 200,400 420,460 T 800,450 L 800,600 L 0,600 Z'" \
    -fill '#21122b' -draw "path 'M 0,540 Q 250,490 500,530 T 800,520 L 800,600 L 0,600 Z'" \
    "${finish[@]}" -quality 90 sunset-hills.jpg

im -size 1000x500 gradient:'#2f7fd0'-'#cde9ff' \
    \( -size 1000x500 xc:white \( -size 1000x500 plasma:grey50-grey50 -colorspace Gray -blur 0x3 \
    -level 50%,70% \) -alpha off -compose CopyOpacity -composite \) -compose over -composite \
    -fill '#2f6b3a' -draw "path 'M 0,420 Q 250,380 500,410 T 1000,400 L 1000,500 L 0,500 Z'" \
    -fill '#24532d' -draw "path 'M 0,460 Q 300,430 600,455 T 1000,445 L 1000,500 L 0,500 Z'" \
    "${finish[@]}" -quality 88 summer-sky.jpg

im -size 600x800 gradient:'#030a16'-'#0b2f44' \
    \( -size 600x800 plasma:grey50-grey50 -colorspace Gray -blur 0x8 -motion-blur 0x60+90 \
    -level 50%,75% +level-colors black,'#2ee6a6' \) -compose screen -composite -compose over \
    -fill '#02070d' -draw "path 'M 0,700 L 90,610 L 160,660 L 260,560 L 360,650 L 450,590 L 600,690 L 600,800 L 0,800 Z'" \
    "${finish[@]}" -quality 88 northern-lights.jpeg

# BMP: flat, bright compositions with palettes, one of them run-length compressed.
im -size 800x600 xc:'#f5efe0' \
    -fill '#e4572e' -draw "circle 250,260 250,110" \
    -fill '#29335c' -draw "rectangle 420,120 700,400" \
    -fill '#f3a712' -draw "polygon 120,520 320,330 520,520" \
    -fill '#669bbc' -draw "circle 620,470 620,410" \
    -stroke '#29335c' -strokewidth 8 -draw "line 60,560 740,560" \
    "${finish[@]}" -colors 64 -type Palette -compress RLE BMP3:shapes.bmp

im -size 800x600 gradient:'#ffd6a5'-'#fdffb6' -fill '#ffb86b' -draw "circle 400,300 400,230" \
    -fill '#8ecae6' -draw "path 'M 0,330 Q 100,300 200,330 T 400,330 T 600,330 T 800,330 L 800,600 L 0,600 Z'" \
    -fill '#219ebc' -draw "path 'M 0,400 Q 100,370 200,400 T 400,400 T 600,400 T 800,400 L 800,600 L 0,600 Z'" \
    -fill '#126782' -draw "path 'M 0,470 Q 100,440 200,470 T 400,470 T 600,470 T 800,470 L 800,600 L 0,600 Z'" \
    -fill '#023047' -draw "path 'M 0,540 Q 100,510 200,540 T 400,540 T 600,540 T 800,540 L 800,600 L 0,600 Z'" \
    "${finish[@]}" -colors 256 -type Palette BMP3:sea.bmp

# DIB: the same bitmap format under its other name, true-colour and compressed.
im -size 600x600 xc:red -colorspace HSB \( -size 600x600 gradient: -rotate 90 \) \
    -compose CopyRed -composite -colorspace sRGB \
    \( -size 600x600 gradient:'#ffffffd0'-'#ffffff00' \) -compose over -composite \
    "${finish[@]}" -type TrueColor BMP3:spectrum.dib

im -size 800x500 xc:'#0b132b' \
    -fill '#1c2541' -draw "circle 400,250 400,20" \
    -fill '#3a506b' -draw "circle 400,250 400,70" \
    -fill '#5bc0be' -draw "circle 400,250 400,120" \
    -fill '#6fffe9' -draw "circle 400,250 400,170" \
    -fill '#ffffff' -draw "circle 400,250 400,215" \
    "${finish[@]}" -colors 16 -type Palette -compress RLE BMP3:rings.dib

# GIF: 256-colour illustrations.
im -size 800x600 gradient:'#0b1d3a'-'#27476e' \
    \( -size 800x600 xc:black +noise Random -channel G -threshold 99.6% \
    -separate +channel -blur 0x0.6 -level 0,40% \) -compose screen -composite -compose over \
    -fill '#fdf6d8' -draw "circle 620,150 620,90" -fill '#27476e' -draw "circle 650,130 650,80" \
    -fill '#0a1526' -draw "path 'M 0,520 L 120,470 L 220,500 L 380,440 L 520,490 L 680,450 L 800,480 L 800,600 L 0,600 Z'" \
    "${finish[@]}" -colors 128 night-sky.gif

im -size 640x640 xc:'#fff8ef' \
    -fill '#ff9eaa' -draw "circle 320,200 320,120" -draw "circle 440,320 520,320" \
    -draw "circle 320,440 320,520" -draw "circle 200,320 120,320" \
    -fill '#ffd166' -draw "circle 320,320 320,250" \
    -fill '#06d6a0' -draw "rectangle 312,520 328,640" \
    "${finish[@]}" -colors 64 flower.gif

im -size 900x400 xc:'#264653' \
    -fill '#2a9d8f' -draw "rectangle 0,80 900,160" \
    -fill '#e9c46a' -draw "rectangle 0,160 900,240" \
    -fill '#f4a261' -draw "rectangle 0,240 900,320" \
    -fill '#e76f51' -draw "rectangle 0,320 900,400" \
    -distort Arc '40' -resize 900x400! \
    "${finish[@]}" -colors 32 arcs.gif

# ICO: square emblems with transparent corners, each with the usual icon sizes inside.
icon() {
    local name=$1
    shift
    im -size 256x256 xc:none "$@" -define icon:auto-resize=256,48,32,16 "$name"
}
icon sun.ico -fill '#ffb703' -draw "circle 128,128 128,60" \
    -stroke '#fb8500' -strokewidth 14 -draw "line 128,8 128,40" -draw "line 128,216 128,248" \
    -draw "line 8,128 40,128" -draw "line 216,128 248,128" \
    -draw "line 43,43 66,66" -draw "line 190,190 213,213" \
    -draw "line 43,213 66,190" -draw "line 190,66 213,43"
icon leaf.ico -fill '#52b788' -draw "path 'M 40,216 Q 40,40 216,40 Q 216,216 40,216 Z'" \
    -stroke '#1b4332' -strokewidth 8 -fill none -draw "path 'M 40,216 Q 120,140 190,66'"
icon heart.ico -fill '#e63946' \
    -draw "path 'M 128,224 C 20,150 20,60 80,50 C 110,45 128,70 128,90 C 128,70 146,45 176,50 C 236,60 236,150 128,224 Z'"
