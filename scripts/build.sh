#!/usr/bin/env bash
# Configures and builds into build/ (or $SLIDEWELL_BUILD_DIR); extra arguments go to CMake.
# $SLIDEWELL_BUILD_TARGETS, if set, names the only targets to build (default: everything).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${SLIDEWELL_BUILD_DIR:-build}
if [[ ! -f "$build_dir/build.ninja" ]]; then
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
elif (($#)); then
    cmake "$build_dir" "$@"
fi
targets=()
if [[ -n "${SLIDEWELL_BUILD_TARGETS:-}" ]]; then
    read -ra targets <<<"--target $SLIDEWELL_BUILD_TARGETS"
fi
cmake --build "$build_dir" -j2 "${targets[@]}"
