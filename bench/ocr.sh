#!/usr/bin/env bash
# Text recognition against the tesseract command, and detection quality.
#   1. A 1920x1080 text-heavy screenshot (three columns of 14 px interface text with e-mail
#      addresses, phone numbers, names and card numbers) is drawn by bench/pii_accuracy.
#   2. hyperfine times `mebo ocr` against `tesseract IMAGE -` as installed (OpenMP on), and
#      against `tesseract` with OMP_THREAD_LIMIT=1, interleaved in the same run.
#   3. Each tool's text is scored against the drawn text (character accuracy, lines matched in
#      any order, so column order does not count).
#   4. `mebo redact` on the same screen, and the detection report on rendered forms and web pages
#      (recall per kind, false items on clean pages, the detector's time on top of recognition).
# Needs MEBO_SETUP_BENCH=1 scripts/setup.sh (tesseract-ocr, hyperfine).
# Usage: bench/ocr.sh [RUNS] [PAGES]   (defaults 5 and 20)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-5}"
pages="${2:-20}"
build="$root/build-bench"
export CCACHE_NOHASHDIR=1
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMEBO_BUILD_BENCH=ON -DMEBO_BUILD_TESTS=OFF \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build "$build" --target mebo mebo_platform_tesseract pii_accuracy >/dev/null
for tool in tesseract hyperfine; do
    command -v "$tool" >/dev/null || { echo "ocr.sh: $tool is missing (MEBO_SETUP_BENCH=1 scripts/setup.sh)" >&2; exit 1; }
done
export QT_QPA_PLATFORM=offscreen
work="$(mktemp -d /tmp/mebo-ocr-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT
mebo="$build/src/mebo"
report="$build/bench/pii_accuracy"
"$report" --write-screen "$work/screen.png" 2>/dev/null

echo "== time: 1920x1080 screen, $runs runs each, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
hyperfine -N -w 1 -r "$runs" \
    "$mebo ocr $work/screen.png" \
    "tesseract $work/screen.png -" \
    "env OMP_THREAD_LIMIT=1 tesseract $work/screen.png -" 2>&1 | grep -E 'Benchmark|Time|±|faster'

echo "== character accuracy against the drawn text"
"$mebo" ocr "$work/screen.png" >"$work/mebo.txt" 2>/dev/null
tesseract "$work/screen.png" - >"$work/tesseract.txt" 2>/dev/null
echo "mebo ocr:  $("$report" --score "$work/screen.png.txt" "$work/mebo.txt" 2>/dev/null) %"
echo "tesseract: $("$report" --score "$work/screen.png.txt" "$work/tesseract.txt" 2>/dev/null) %"

echo "== mebo redact on the same screen"
hyperfine -N -w 1 -r "$runs" "$mebo redact $work/screen.png -o $work/redacted.png" 2>&1 | grep -E 'Time'
"$mebo" redact "$work/screen.png" -o "$work/redacted.png" 2>/dev/null | head -1

echo "== detection on $pages rendered forms and web pages (and as many without personal data)"
"$report" --pages "$pages" --seed "${SEED:-$RANDOM}" 2>/dev/null
