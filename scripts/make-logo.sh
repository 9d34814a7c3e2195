#!/usr/bin/env bash
# Draws the maker's logo of the About window (images/slidewell-logo.gif, 232x51, GIF) with
# ImageMagick and the DejaVu fonts; run it again after changing the drawing and commit the result.
set -euo pipefail
cd "$(dirname "$0")/.."
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
small=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
convert -size 232x51 xc:'#2b3a55' \
    -fill '#8fd3ff' -draw 'rectangle 8,9 48,37' \
    -fill '#3c8d3f' -draw 'polygon 8,37 21,22 29,30 35,24 48,37' \
    -fill '#ffd54a' -draw 'circle 40,16 40,19' \
    -fill '#4ccf4c' -draw 'polygon 24,40 24,47 34,43' \
    -font "$font" -pointsize 26 -fill '#ffffff' -annotate +58+33 'Slidewell' \
    -font "$small" -pointsize 10 -fill '#8fd3ff' -annotate +60+46 'free slideshow software' \
    -colors 16 +dither images/slidewell-logo.gif
