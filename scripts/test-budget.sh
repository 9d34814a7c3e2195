#!/usr/bin/env bash
# Prints the lines of tests/ (data, fuzz corpora and regressions aside) against the lines of the
# product code, and their ratio; the project keeps it at most 0.35.
set -euo pipefail
cd "$(dirname "$0")/.."
product=$(git ls-files -- '*.cpp' '*.h' '*.ui' '*.c' | grep -Ev '^(tests|bench|packaging|scripts)/' \
    | xargs cat | wc -l)
tests=$(git ls-files -- 'tests/*' | grep -Ev '^tests/(data|fuzz/corpus|fuzz/regressions)/' \
    | grep -E '\.(cpp|h|sh|py|c)$' | xargs cat | wc -l)
awk -v t="$tests" -v p="$product" \
    'BEGIN { printf "test budget: %d lines of tests, %d lines of product code, ratio %.2f (at most 0.35)\n", t, p, t / p }'
