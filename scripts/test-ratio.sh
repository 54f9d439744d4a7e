#!/usr/bin/env bash
# Prints the size of the tests against the size of the code they test: lines of C++ under tests/
# over lines of C++ under src/, blank lines and lines holding only a // comment left out. Fails
# when the tests grow beyond LIMIT (default 0.36) of the code.
# Usage: scripts/test-ratio.sh [LIMIT]
set -euo pipefail
cd "$(dirname "$0")/.."
limit="${1:-0.36}"
count() {
    find "$1" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.cc' \) -print0 |
        xargs -0 cat | grep -v -h -E '^\s*(//.*)?$' | wc -l
}
tests=$(count tests)
code=$(count src)
awk -v t="$tests" -v c="$code" -v limit="$limit" 'BEGIN {
    ratio = t / c
    printf "tests: %d lines, src: %d lines, ratio %.3f (limit %.2f)\n", t, c, ratio, limit
    exit ratio > limit ? 1 : 0
}'
