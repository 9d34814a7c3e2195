#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The screenshot script still runs against this build and still produces every picture that the
# user's guide and the README show.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
repo=$(cd "$(dirname "$0")/../.." && pwd)
out=$E2E_TMP/images

bash "$repo/scripts/guide-screenshots.sh" "$out" "$SLIDEWELL" >"$E2E_TMP/script.log" 2>&1 \
    || { cat "$E2E_TMP/script.log" >&2; e2e_fail "guide-screenshots.sh failed"; }

mapfile -t wanted < <(grep -ohE 'images/[A-Za-z0-9_-]+\.png' "$repo/docs/user-guide.md" "$repo/README.md" \
    | sed 's|^images/||' | sort -u)
((${#wanted[@]} > 0)) || e2e_fail "the guide shows no screenshots"
for name in "${wanted[@]}"; do
    [[ -f "$out/$name" ]] || e2e_fail "the script no longer makes $name"
    size=$(identify -format '%w %h' "$out/$name" 2>/dev/null) || e2e_fail "$name is no picture"
    read -r width height <<<"$size"
    ((width >= 100 && height >= 50)) || e2e_fail "$name is only ${width}x$height"
    colours=$(identify -format '%k' "$out/$name")
    ((colours > 8)) || e2e_fail "$name is nearly blank ($colours colours)"
done
e2e_log "checked ${#wanted[@]} screenshots: ${wanted[*]}"
e2e_pass
