#!/usr/bin/env bash
# Sets up, builds and starts Slidewell; the arguments are the folder to show. Without one, the
# folder box gets the sample pictures drawn by the build, so play shows something at once.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$root/${SLIDEWELL_BUILD_DIR:-build}
"$root/scripts/setup.sh"
# Only what running needs: the program, its metafile helper and the samples (the user's guide
# comes with the program). The tests, fuzzers and benchmarks wait for scripts/test.sh.
SLIDEWELL_BUILD_TARGETS="slidewell slidewell-metafile slidewell_samples" "$root/scripts/build.sh"
if (($# == 0)); then
    set -- "$build_dir/samples"
fi
exec "$build_dir/slidewell" "$@"
