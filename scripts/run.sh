#!/usr/bin/env bash
# Sets up the machine, builds Mebo and starts the desktop application (tray menu, main window;
# a second start hands over to the running one). Without a reachable X display it first starts a
# private virtual display (Xvfb) with a window manager, a tray and a terminal, runs Mebo there
# until it quits, and stops the display again.
# Extra arguments go to mebo (e.g. 'mebo://capture?mode=fullscreen', --background).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh >/dev/null
# The build folder scripts/test.sh uses, configured the same way; only the program and its
# modules are built here.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMEBO_SANITIZE= >/dev/null
ninja -C build -j "$(nproc)" mebo >/dev/null
mebo="$PWD/build/src/mebo"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec "$mebo" "$@"
fi

echo "run: no X display reachable; starting a private one" >&2
export MEBO_TEST_XTERMS=1
exec ./tests/desktop/run-desktop.sh bash -c '
    echo "run: Mebo is running on the private display $DISPLAY; for example" >&2
    echo "run:   DISPLAY=$DISPLAY xdg-open \"mebo://capture?mode=fullscreen\"" >&2
    echo "run: takes a capture into the library. Ctrl+C (or the tray menu'"'"'s Quit Mebo) stops it." >&2
    exec "$0" "$@"' "$mebo" "$@"
