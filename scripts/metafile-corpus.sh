#!/usr/bin/env bash
# Builds and measures the EMF and WMF pictures over the shared corpus (see
# ../shared/testdata/metafiles/README.md): files shown, failed, crashed, timed out, close to the
# reference, and time per file. With OUTPUT, the pictures are written there as PNG files.
# Usage: scripts/metafile-corpus.sh [OUTPUT]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh >/dev/null
"${SLIDEWELL_BUILD_DIR:-build}/slidewell-metafile-bench" ../shared/testdata/metafiles "$@"
