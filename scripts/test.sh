#!/usr/bin/env bash
# Sets up the machine, builds Mebo and runs the whole test suite (unit tests, then the desktop
# tests on a private Xvfb). MEBO_SANITIZE=address|thread builds and tests with a sanitizer in a
# separate build folder.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh

san="${MEBO_SANITIZE:-}"
build="build"
[ -n "$san" ] && build="build-$san"
jobs="$(nproc)"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMEBO_SANITIZE="$san" >/dev/null
ninja -C "$build" -j "$jobs"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
# die_after_fork=0: the desktop tests start tools (xwd, xdotool) from a threaded process; the
# child only calls exec.
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1 second_deadlock_stack=1 die_after_fork=0 suppressions=$PWD/tests/tsan.supp}"

cd "$build"
ctest --output-on-failure -j "$jobs" --timeout 900
