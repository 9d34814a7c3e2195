#!/usr/bin/env bash
# Sets up, builds and starts Slidewell; the arguments are the folder to show.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
exec "$root/${SLIDEWELL_BUILD_DIR:-build}/slidewell" "$@"
