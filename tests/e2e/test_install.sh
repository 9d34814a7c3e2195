#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The Debian package of this build, unpacked into a scratch root, holds the program, the desktop
# integration and the samples in their usual places; started as the menu entry starts it (its
# Exec line, with the samples folder for %f), the installed program opens its window and shows
# the samples.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
build_dir=$(cd "$(dirname "$SLIDEWELL")" && pwd)

cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$E2E_TMP/package" >"$E2E_TMP/cpack.log" 2>&1 \
    || { cat "$E2E_TMP/cpack.log" >&2; e2e_fail "cpack failed"; }
debs=("$E2E_TMP"/package/slidewell_*_amd64.deb)
[[ ${#debs[@]} == 1 && -f "${debs[0]}" ]] || e2e_fail "no single package: ${debs[*]}"
e2e_log "package $(basename "${debs[0]}")"
root=$E2E_TMP/root
dpkg-deb -x "${debs[0]}" "$root" || e2e_fail "dpkg-deb -x failed"

expect_file() { [[ -f "$root/usr/$1" && -s "$root/usr/$1" ]] || e2e_fail "not installed: /usr/$1"; }
expect_file bin/slidewell
[[ -x "$root/usr/bin/slidewell" ]] || e2e_fail "/usr/bin/slidewell is not executable"
desktop=share/applications/org.example.slidewell.desktop
expect_file "$desktop"
expect_file share/metainfo/org.example.slidewell.metainfo.xml
expect_file share/man/man1/slidewell.1.gz
expect_file share/doc/slidewell/copyright
expect_file share/doc/slidewell/changelog.gz
expect_file share/doc/slidewell/user-guide.html
expect_file share/doc/slidewell/images/settings-window.png
expect_file share/icons/hicolor/scalable/apps/slidewell.svg
for size in 16 32 48 128 256; do
    icon=share/icons/hicolor/${size}x${size}/apps/slidewell.png
    expect_file "$icon"
    actual=$(identify -format '%wx%h' "$root/usr/$icon")
    [[ "$actual" == "${size}x${size}" ]] || e2e_fail "$icon is $actual"
done
if [[ -x "$build_dir/slidewell-metafile" ]]; then
    expect_file libexec/slidewell/slidewell-metafile
fi
samples=$root/usr/share/slidewell/samples
for pattern in '*.bmp' '*.dib' '*.emf' '*.gif' '*.ico' '*.jp*' '*.wmf'; do
    count=$(find "$samples" -maxdepth 1 -type f -iname "$pattern" | wc -l)
    ((count >= 2)) || e2e_fail "only $count samples matching $pattern"
done

# The menu entry's command, with the samples folder for %f, found through PATH as a desktop would.
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/$desktop")
[[ "$exec_line" == "slidewell %f" ]] || e2e_fail "unexpected Exec line: $exec_line"
export PATH=$root/usr/bin:$PATH
[[ "$(command -v slidewell)" == "$root/usr/bin/slidewell" ]] || e2e_fail "PATH does not find the installed program"

e2e_start_display 1280x800
SLIDEWELL=slidewell
e2e_start_app "$samples"
window=$(e2e_wait_window '^Slidewell$')
[[ "$(readlink "/proc/$APP_PID/exe")" == "$root/usr/bin/slidewell" ]] \
    || e2e_fail "the window belongs to $(readlink "/proc/$APP_PID/exe")"
read -r x y w h < <(e2e_client_geometry "$window")
e2e_log "installed program's window at $x $y, ${w}x$h"
((w > 200 && h > 200)) || e2e_fail "window too small: ${w}x$h"

# The samples folder arrived in the folder box: picking a format (by its first letter) and pressing
# play starts a show of it whose caption names a file of that format.
menu_height=$((h - 246))
app_windows() { xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | wc -l; }
more_windows_than() { (($(app_windows) > $1)); }
play_samples() {
    local key=$1 caption=$2 before
    before=$(app_windows)
    xdotool mousemove $((x + 8 + 142)) $((y + menu_height + 154)) click 1
    e2e_until 5 more_windows_than "$before" || e2e_fail "the format list did not open"
    xdotool type "$key"
    xdotool key Return
    xdotool mousemove $((x + 8 + 196)) $((y + menu_height + 212)) click 1
    e2e_wait_window "$caption" >/dev/null
    read -r x y w h < <(e2e_client_geometry "$window")
}
picture_shown() {
    e2e_screenshot "$E2E_TMP/show.png" && ! e2e_region_is "$E2E_TMP/show.png" "$x" "$y" "$w" "$h" black
}

play_samples J '^Slidewell - .*\.jp'
e2e_until 10 picture_shown || e2e_fail "the show of the installed samples shows no picture"
e2e_log "the installed program shows $(xdotool getwindowname "$window")"

# Metafiles are drawn by the installed helper, found relative to the installed program.
kill "$APP_PID"
e2e_start_app "$samples"
window=$(e2e_wait_window '^Slidewell$')
read -r x y w h < <(e2e_client_geometry "$window")
play_samples E '^Slidewell - .*\.emf'
e2e_until 10 picture_shown || e2e_fail "the installed program draws no EMF picture"
e2e_log "the installed program shows $(xdotool getwindowname "$window")"
e2e_pass
