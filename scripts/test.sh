#!/usr/bin/env bash
# Sets up, builds with warnings as errors, checks the format, runs every test and checks the
# Debian package and the desktop files with their validators.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
started=$(date +%s)
scripts/setup.sh --test

echo "== format check"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

echo "== build"
# Configured for /usr, where the package installs, so that the program looks for its metafile
# helper there.
SLIDEWELL_BUILD_DIR=build scripts/build.sh -DSLIDEWELL_WERROR=ON -DCMAKE_INSTALL_PREFIX=/usr

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
SLIDEWELL_BUILD_DIR=build-sanitize scripts/build.sh -DSLIDEWELL_WERROR=ON -DSLIDEWELL_SANITIZE=ON \
    -DCMAKE_BUILD_TYPE=Debug
# Qt and fontconfig keep caches until exit that LeakSanitizer would report as leaks.
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize -L unit --output-on-failure -j2

echo "== tests"
ctest --test-dir build --output-on-failure -j2

echo "== package"
rm -f build/slidewell_*.deb
(cd build && cpack -G DEB)
desktop-file-validate packaging/*.desktop
appstreamcli validate --no-net build/packaging/*.metainfo.xml
# Any tag down to the informational ones (hardening, unneeded sections, ...) fails the run.
lintian --fail-on error,warning,info --display-info build/slidewell_*.deb

echo "== size and time"
scripts/test-budget.sh
echo "test command took $(($(date +%s) - started)) s"
