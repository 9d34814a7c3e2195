#!/usr/bin/env bash
# Fuzzes each harness for SECONDS (default 600) with libFuzzer in a clang build (build-fuzz/),
# seeded with every input under tests/fuzz/corpus/ and tests/fuzz/regressions/. New corpus entries
# go to a scratch folder; crashes are left as crash-* files in the current folder, to be kept under
# tests/fuzz/regressions/<subject>/ once fixed. The picture harness also reads the shared sample
# metafiles ($SLIDEWELL_METAFILE_SAMPLES, by default ../shared/testdata/metafiles) as seeds, in
# place.
#   scripts/fuzz.sh [SECONDS] [HARNESS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
shift || true
cd "$root"
if [[ ! -f build-fuzz/build.ninja ]]; then
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DSLIDEWELL_FUZZ=ON
fi
harnesses=("$@")
if ((${#harnesses[@]} == 0)); then
    for source in tests/fuzz/fuzz_*.cpp; do
        harnesses+=("$(basename "$source" .cpp)")
    done
fi
cmake --build build-fuzz -j2 --target "${harnesses[@]}"
for harness in "${harnesses[@]}"; do
    subject=${harness#fuzz_}
    work=$(mktemp -d "/tmp/slidewell-fuzz-$subject.XXXXXX")
    seeds=(tests/fuzz/corpus tests/fuzz/regressions)
    samples=${SLIDEWELL_METAFILE_SAMPLES:-$root/../shared/testdata/metafiles}
    if [[ "$subject" == picture && -d "$samples" ]]; then
        seeds+=("$samples/emf" "$samples/wmf")
    fi
    echo "== $harness for ${seconds}s (corpus in $work)"
    ASAN_OPTIONS=detect_leaks=0 "build-fuzz/tests/fuzz/$harness" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 "$work" "${seeds[@]}" \
        2>&1 | grep -E '^(#[0-9]+.*(DONE|pulse)|Done|==.*ERROR|SUMMARY)' || true
done
