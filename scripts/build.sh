#!/usr/bin/env bash
# Configures and builds into build/ (or $SLIDEWELL_BUILD_DIR); extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${SLIDEWELL_BUILD_DIR:-build}
if [[ ! -f "$build_dir/build.ninja" ]]; then
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
elif (($#)); then
    cmake "$build_dir" "$@"
fi
cmake --build "$build_dir" -j2
