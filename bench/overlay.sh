#!/usr/bin/env bash
# URL to visible overlay: launching `mebo 'mebo://capture?mode=area'` beside a running Mebo, until
# the selection overlay's pixels are on the screen, against `flameshot gui` beside a running
# flameshot, in the same run on a private still desktop (Xvfb, openbox, no terminals).
#
# Usage: bench/overlay.sh MEBO_BINARY OVERLAY_LATENCY_BINARY [RUNS]   (default 15 runs each)
# Prints overlay_latency's lines for both tools and their medians.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)

if [ "${1:-}" = "--inner" ]; then
    mebo=$2 probe=$3 runs=$4
    work=$(mktemp -d /tmp/mebo-overlay.XXXXXX)
    export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache"
    export XDG_RUNTIME_DIR="$work/run"
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    pids=()
    trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done; rm -rf "$work"' EXIT

    # The running application: started, then given time to settle (its socket answers).
    "$mebo" >"$work/mebo.log" 2>&1 &
    pids+=("$!")
    for _ in $(seq 1 400); do
        compgen -G "$XDG_RUNTIME_DIR/app.mebo.instance*" >/dev/null && break
        sleep 0.05
    done
    compgen -G "$XDG_RUNTIME_DIR/app.mebo.instance*" >/dev/null || { echo "overlay.sh: Mebo did not start" >&2; cat "$work/mebo.log" >&2; exit 1; }
    sleep 2
    echo "== mebo 'mebo://capture?mode=area'"
    "$probe" "$runs" "$mebo" 'mebo://capture?mode=area' || exit 1

    if command -v flameshot >/dev/null 2>&1; then
        flameshot >"$work/flameshot.log" 2>&1 &
        pids+=("$!")
        sleep 3
        echo "== flameshot gui"
        "$probe" "$runs" flameshot gui || echo "overlay.sh: flameshot gui did not show its overlay" >&2
    else
        echo "overlay.sh: flameshot is not installed (scripts/setup.sh with MEBO_SETUP_BENCH=1)" >&2
    fi
    exit 0
fi

[ $# -ge 2 ] || { echo "usage: bench/overlay.sh MEBO_BINARY OVERLAY_LATENCY_BINARY [RUNS]" >&2; exit 2; }
mebo=$(readlink -f "$1") probe=$(readlink -f "$2") runs=${3:-15}
MEBO_TEST_XTERMS=0 MEBO_TEST_TRAY=1 exec "$root/tests/desktop/run-desktop.sh" "$here/overlay.sh" --inner "$mebo" "$probe" "$runs"
