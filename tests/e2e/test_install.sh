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
root=$E2E_TMP/root
dpkg-deb -x "${debs[0]}" "$root" || e2e_fail "dpkg-deb -x failed"
for file in bin/slidewell share/applications/org.example.slidewell.desktop \
    share/metainfo/org.example.slidewell.metainfo.xml share/man/man1/slidewell.1.gz \
    share/doc/slidewell/{copyright,changelog.gz,user-guide.html,images/settings-window.png} \
    share/icons/hicolor/scalable/apps/slidewell.svg; do
    [[ -s "$root/usr/$file" ]] || e2e_fail "not installed: /usr/$file"
done
for size in 16 32 48 128 256; do
    icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/slidewell.png
    [[ "$(identify -format '%wx%h' "$icon")" == "${size}x${size}" ]] || e2e_fail "no ${size}x$size icon"
done
[[ ! -x "$build_dir/slidewell-metafile" || -x "$root/usr/libexec/slidewell/slidewell-metafile" ]] \
    || e2e_fail "the metafile helper is not installed"
samples=$root/usr/share/slidewell/samples
for pattern in '*.bmp' '*.dib' '*.emf' '*.gif' '*.ico' '*.jp*' '*.wmf'; do
    (($(find "$samples" -maxdepth 1 -type f -iname "$pattern" | wc -l) >= 2)) || e2e_fail "few $pattern samples"
done

# The menu entry's command, with the samples folder for %f, found through PATH as a desktop would.
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/org.example.slidewell.desktop")
[[ "$exec_line" == "slidewell %f" ]] || e2e_fail "unexpected Exec line: $exec_line"
export PATH=$root/usr/bin:$PATH
[[ "$(command -v slidewell)" == "$root/usr/bin/slidewell" ]] || e2e_fail "PATH does not find the installed program"
e2e_start_display
SLIDEWELL=slidewell
show_start "$samples"
[[ "$(readlink "/proc/$APP_PID/exe")" == "$root/usr/bin/slidewell" ]] \
    || e2e_fail "the window belongs to $(readlink "/proc/$APP_PID/exe")"

# The samples folder arrived in the folder box: a format picked by its first letter and play start
# a show of it whose caption names a file of that format. Metafiles are drawn by the installed
# helper, found relative to the installed program.
picture_shown() {
    read -r x y w h < <(e2e_client_geometry "$WINDOW")
    e2e_screenshot "$E2E_TMP/show.png" && ! e2e_region_is "$E2E_TMP/show.png" "$x" "$y" "$w" "$h" black
}
for format in 'J jp' 'E emf'; do
    read -r letter extension <<<"$format"
    show_settings adjustable "$letter" 2
    show_play
    e2e_wait_window "^Slidewell - .*\\.$extension" >/dev/null
    e2e_until 10 picture_shown || e2e_fail "the installed program shows no $extension picture"
    xdotool key Escape
    e2e_until 10 show_restored || e2e_fail "Esc did not end the show"
done
e2e_pass
