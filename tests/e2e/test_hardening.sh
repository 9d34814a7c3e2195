#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# A show of a hostile folder at a 1-second delay: empty, damaged and unreadable files, an SVG that
# points at a FIFO, a FIFO, a dangling link, and a picture whose every open takes 3 s (a slow
# network folder: strace delays its opens). The show goes round in name order, "Stop" answers
# even while the slow picture is read, and the show carries on when the folder goes and comes back.
source "$(dirname "$0")/lib.sh"
e2e_init "$@" strace setpriv
e2e_start_display
folder=$E2E_TMP/pictures
mkdir -p "$folder"
convert -size 400x300 xc:'#ff0000' "BMP3:$folder/a.bmp"
: >"$folder/b.bmp"
mkfifo "$E2E_TMP/fifo.png" "$folder/d.bmp"
printf '%s' "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink'" \
    " width='40' height='30'><image width='40' height='30' xlink:href='$E2E_TMP/fifo.png'/></svg>" \
    >"$folder/c.bmp"
ln -s "$folder/gone.bmp" "$folder/e.bmp"
convert -size 400x300 xc:'#00ff00' "BMP3:$E2E_TMP/green.bmp"
head -c 20000 "$E2E_TMP/green.bmp" >"$folder/f.bmp"
convert -size 400x300 xc:'#0000ff' "BMP3:$folder/g.bmp"
cp "$folder/a.bmp" "$folder/h.bmp"
chmod 000 "$folder/h.bmp"
printf '%s\n' '[Software\Slidewell]' 'imageDelayInSeconds=1' 'screenSize=adjustable' \
    'fileFormat=BMP' 'backgroundColor=0' >"$CONF"
# Without the capabilities that let root ignore file permissions, h.bmp cannot be read; every
# open of g.bmp waits 3 seconds.
cat >"$E2E_TMP/slidewell" <<EOF
#!/bin/sh
exec strace -f -qq -o /dev/null -P '$folder/g.bmp' -e trace=openat -e inject=openat:delay_enter=3s \
    setpriv --bounding-set -dac_override,-dac_read_search '$SLIDEWELL' "\$@"
EOF
chmod +x "$E2E_TMP/slidewell"
SLIDEWELL=$E2E_TMP/slidewell
show_start "$folder"
show_play

# A slow read holds the program up (3 s) while the menu is asked for, on a loaded machine.
SHOW_MENU_SECONDS=20
alive() { kill -0 "$APP_PID" 2>/dev/null || e2e_fail "the program has ended"; }
caption_is() { alive && [[ "$(xdotool getwindowname "$WINDOW" 2>/dev/null)" == "Slidewell - $1" ]]; }
# seen_in_order SECONDS NAME...: the captions name these files one after the other.
seen_in_order() {
    local deadline=$((SECONDS + $1)) name
    for name in "${@:2}"; do
        e2e_until $((deadline - SECONDS)) caption_is "$name" \
            || e2e_fail "never saw $name (caption: $(xdotool getwindowname "$WINDOW"))"
    done
}

# A whole round, twice over the picture that is slow to open; d.bmp and e.bmp are no files.
seen_in_order 40 a.bmp b.bmp c.bmp f.bmp g.bmp
slow_start=$(show_now_ms)
seen_in_order 10 h.bmp
slow=$(($(show_now_ms) - slow_start))
((slow >= 2500)) || e2e_fail "g.bmp was shown for $slow ms: its open was not slowed down"
# h.bmp cannot be read: the background shows.
read -r x y w h < <(e2e_client_geometry "$WINDOW")
e2e_wait_region $((x + 2)) $((y + 2)) 100 100 black 2
seen_in_order 40 a.bmp b.bmp c.bmp f.bmp g.bmp h.bmp a.bmp
e2e_wait_region $((x + 2)) $((y + 2)) 100 100 '#ff0000' 3
seen_in_order 20 g.bmp
show_menu $((x + 200)) $((y + 200)) Down Return
e2e_until 15 show_restored || e2e_fail "client $x $y $w $h after Stop, $CX $CY $CW $CH at start-up"

# The folder goes away during a show and comes back; the menu opens and closes meanwhile.
show_play
seen_in_order 20 a.bmp
mv "$folder" "$folder-away"
sleep 3
alive
read -r x y w h < <(e2e_client_geometry "$WINDOW")
e2e_wait_region $((x + 2)) $((y + 2)) 100 100 black 5
show_menu $((x + 200)) $((y + 200)) Escape
mv "$folder-away" "$folder"
seen_in_order 20 a.bmp b.bmp
show_menu $((x + 200)) $((y + 200)) Down Return
e2e_until 15 show_restored || e2e_fail "client $x $y $w $h after the second Stop"
e2e_pass
