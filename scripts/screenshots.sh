#!/usr/bin/env bash
# Takes screenshots of the desktop application on a private test desktop (Xvfb, openbox, a
# tray, terminals): the tray menu, the four settings tabs and the region overlay, in the light
# and the dark appearance. The pictures are taken with Mebo's own command-line capture.
# Usage: scripts/screenshots.sh [OUTPUT-DIR] [MEBO-BINARY]
#   OUTPUT-DIR defaults to ./screenshots, MEBO-BINARY to build-release/src/mebo (brought up to date).
#   MEBO_SCREENSHOT_DPI=192 takes them at twice the usual resolution (Xft.dpi).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "${1:-$root/screenshots}" && cd "${1:-$root/screenshots}" && pwd)"
mebo="${2:-$("$root/scripts/release-build.sh")}"

if [ -z "${MEBO_SCREENSHOTS_INSIDE:-}" ]; then
    export MEBO_SCREENSHOTS_INSIDE=1 MEBO_TEST_XTERMS=2
    exec "$root/tests/desktop/run-desktop.sh" "$0" "$out" "$mebo"
fi

# --- on the private desktop from here on ---
if [ -n "${MEBO_SCREENSHOT_DPI:-}" ]; then
    echo "Xft.dpi: $MEBO_SCREENSHOT_DPI" | xrdb -merge
fi
home="$(mktemp -d /tmp/mebo-shots-home.XXXXXX)"
trap 'kill "$app" 2>/dev/null; wait "$app" 2>/dev/null; rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache"
export XDG_RUNTIME_DIR="$home/run"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
shots="$home/shots"
app=""

# shellcheck source=scripts/snap.sh
source "$root/scripts/snap.sh"
# Each step waits for what it needs (a window, a file, the screen changing), never a fixed time.
wait_for_window() { # TITLE
    for _ in $(seq 1 600); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) && [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.05
    done
    echo "screenshots: window '$1' did not appear" >&2
    return 1
}
# The screen (or WINDOW) as it is now, to wait for a change from.
mark() { snap mark "${1:-}"; mv "$out/mark.png" "$home/mark.png"; }
# Waits until the screen (or WINDOW) looks different from the last mark (at most 30 s).
changed() {
    for _ in $(seq 1 60); do
        snap now "${1:-}"
        cmp -s "$out/now.png" "$home/mark.png" || { rm -f "$out/now.png"; return 0; }
    done
    rm -f "$out/now.png"
}
tray_menu() { # opens the tray menu; prints nothing
    local panel
    panel=$(xdotool search --name '^panel$' | head -1)
    eval "$(xdotool getwindowgeometry --shell "$panel")"
    mark
    xdotool mousemove $((X + WIDTH - 14)) $((Y + HEIGHT / 2)) click 1
    changed
}

run_theme() { # light|dark
    local theme=$1
    rm -f "$XDG_CONFIG_HOME/mebo/defaults.json" # each theme starts without a remembered region
    "$mebo" config set mebo.appearanceMode "$theme" >/dev/null
    "$mebo" config set mebo.firstLaunchSettingsShown true >/dev/null
    "$mebo" --background >"$home/app-$theme.log" 2>&1 &
    app=$!
    for _ in $(seq 1 600); do grep -q 'app-level monitor installed' "$home/app-$theme.log" 2>/dev/null && break; sleep 0.05; done

    # A capture first, so the library and the logs have something in them.
    "$mebo" 'mebo://capture?mode=fullscreen'
    for _ in $(seq 1 600); do [ -s "$home/Pictures/mebo/index.json" ] && break; sleep 0.05; done

    tray_menu
    snap "tray-menu-$theme"
    mark
    xdotool key Escape
    changed

    # The settings window, each tab (Ctrl+Tab moves on), opened from the main window's menu.
    "$mebo" --show
    main=$(wait_for_window "Mebo")
    xdotool windowactivate --sync "$main" key ctrl+comma
    settings=$(wait_for_window "Mebo Settings")
    for tab in general shortcuts logs about; do
        snap "settings-$tab-$theme" "$settings"
        cp "$out/settings-$tab-$theme.png" "$home/mark.png"
        xdotool key --window "$settings" ctrl+Tab
        changed "$settings"
    done
    mark
    xdotool windowclose "$settings" 2>/dev/null || xdotool key --window "$settings" Escape
    sleep 0.3
    snap "main-window-library-$theme" "$main"
    xdotool windowclose "$main"
    sleep 0.5

    # The overlay: the pointer over a terminal shows the snap stroke and its title.
    term=$(xdotool search --name '^mebo-test-xterm-1$' | head -1)
    eval "$(xdotool getwindowgeometry --shell "$term")"
    mark
    "$mebo" 'mebo://capture?mode=area'
    changed # the overlay dims the screen
    mark
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    xdotool mousemove $((X + WIDTH / 2 + 3)) $((Y + HEIGHT / 2 + 2))
    changed # the window under the pointer is outlined
    snap "overlay-snap-$theme"
    # A rectangle being dragged, with its size label.
    mark
    xdotool mousemove 700 300 mousedown 1
    xdotool mousemove 900 450
    xdotool mousemove 1180 620
    changed
    snap "overlay-drag-$theme"
    xdotool mouseup 1
    sleep 0.4
    # Released, it waits to be corrected; the magnifier follows the pointer.
    xdotool mousemove 1300 700
    sleep 0.4
    snap "overlay-adjust-$theme"
    xdotool key Escape
    sleep 0.8

    kill "$app"
    wait "$app" 2>/dev/null || true
    app=""
}

run_theme light
run_theme dark
