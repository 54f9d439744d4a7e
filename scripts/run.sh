#!/usr/bin/env bash
# Sets up the machine, builds Mebo and takes a full-screen capture of the current X display into
# the library, printing the PNG's path. Without a reachable display it first starts a private
# virtual display (Xvfb) with a window manager and a terminal window, and stops it afterwards.
# Extra arguments go to 'mebo capture fullscreen' (e.g. --json, --save-dir DIR).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh >/dev/null
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DMEBO_BUILD_TESTS=OFF -DMEBO_BUILD_BENCH=OFF >/dev/null
ninja -C build-release -j "$(nproc)" mebo >/dev/null
mebo="$PWD/build-release/src/mebo"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec "$mebo" capture fullscreen "$@"
fi

echo "run: no X display reachable; starting a private one" >&2
export MEBO_TEST_XTERMS=1
exec ./tests/desktop/run-desktop.sh "$mebo" capture fullscreen "$@"
