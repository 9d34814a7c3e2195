#!/usr/bin/env bash
# Sets up, builds with warnings as errors, checks the format and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh --test

echo "== format check"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

echo "== build"
SLIDEWELL_BUILD_DIR=build scripts/build.sh -DSLIDEWELL_WERROR=ON

echo "== tests"
cd build
ctest --output-on-failure -j2
