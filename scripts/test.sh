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

# Set before the build: it runs the sanitized mebo-gen to render the icons and the manual.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp}"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMEBO_SANITIZE="$san" >/dev/null
ninja -C "$build" -j "$jobs"

cd "$build"
# One test more than cores: the desktop entries spend most of their time waiting on real time.
ctest --output-on-failure -j "$((jobs + 1))" --timeout 900
