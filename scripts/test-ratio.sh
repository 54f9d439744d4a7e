#!/usr/bin/env bash
# Prints the size of the tests against the size of the code they test: lines of C++ under tests/
# over lines of C++ under src/, blank lines and lines holding only a // comment left out (bench/
# and fuzz/ are not tests). With --max LIMIT it fails when the ratio is above LIMIT.
# Usage: scripts/test-ratio.sh [--max LIMIT]
set -euo pipefail
cd "$(dirname "$0")/.."
limit=""
while [ $# -gt 0 ]; do
    case "$1" in
    --max) limit="${2:?--max needs a number}"; shift 2 ;;
    --max=*) limit="${1#--max=}"; shift ;;
    *) echo "usage: $0 [--max LIMIT]" >&2; exit 2 ;;
    esac
done
count() {
    find "$1" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.cc' \) -print0 |
        xargs -0 cat | grep -v -E '^\s*(//.*)?$' | wc -l
}
tests=$(count tests)
code=$(count src)
awk -v t="$tests" -v c="$code" -v limit="$limit" 'BEGIN {
    ratio = t / c
    if (limit == "") {
        printf "tests: %d lines, src: %d lines, ratio %.3f\n", t, c, ratio
        exit 0
    }
    printf "tests: %d lines, src: %d lines, ratio %.3f (limit %.2f)\n", t, c, ratio, limit
    if (ratio > limit + 0) {
        printf "the tests are above %.2f of the code\n", limit
        exit 1
    }
}'
