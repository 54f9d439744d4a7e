#!/usr/bin/env bash
# Builds a fuzzer in build-fuzz (clang, ASan + UBSan + coverage) and runs it.
#   fuzz/run.sh [SECONDS] [extra libFuzzer options...]     (default 600 seconds)
#   MEBO_FUZZER=video fuzz/run.sh ...                       (video projects; default: document)
# New inputs go to build-fuzz/corpus (the seeds in fuzz/corpus stay as they are); crashes, leaks
# and timeouts are written to build-fuzz/findings/.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"
seconds="${1:-600}"
shift || true

command -v clang++ >/dev/null || { echo "run.sh: clang++ is missing (MEBO_SETUP_FUZZ=1 scripts/setup.sh)" >&2; exit 1; }

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMEBO_BUILD_FUZZ=ON -DMEBO_BUILD_TESTS=OFF -DMEBO_BUILD_BENCH=OFF >/dev/null
fuzzer="${MEBO_FUZZER:-document}"
case "$fuzzer" in
  document) target=mebo_document_fuzzer; seeds="$root/fuzz/corpus"; dict="$root/fuzz/document.dict"; corpus="$build/corpus" ;;
  video) target=mebo_video_document_fuzzer; seeds="$root/fuzz/corpus-video"; dict="$root/fuzz/video.dict"; corpus="$build/corpus-video" ;;
  *) echo "run.sh: unknown fuzzer '$fuzzer' (document, video)" >&2; exit 1 ;;
esac
ninja -C "$build" -j2 "$target"

mkdir -p "$corpus" "$build/findings"
export QT_QPA_PLATFORM=offscreen
# Qt and GLib are not instrumented; their one-time allocations are not leaks of ours.
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/fuzz/lsan.supp:print_suppressions=0}"
# A smaller quarantine than ASan's 256 MB keeps the resident size of long runs steady.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
exec "$build/fuzz/$target" "$corpus" "$seeds" \
  -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=1024 -timeout=20 \
  -dict="$dict" -artifact_prefix="$build/findings/" -print_final_stats=1 "$@"
