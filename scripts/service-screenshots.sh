#!/usr/bin/env bash
# Takes screenshots of the settings window's service sections on a private test desktop, in the
# light and the dark appearance: General (with the automatic update switch), About (an update
# found, and why this copy does not install it), Feedback (tickets, and one conversation with the
# support team's reply) and Hotkeys. A local stand-in serves the tickets and the update feed.
# Usage: scripts/service-screenshots.sh [OUTPUT-DIR] [MEBO-BINARY] [FIXTURE-SERVER]
#   OUTPUT-DIR defaults to ./screenshots, MEBO-BINARY to build-release/src/mebo (brought up to
#   date), FIXTURE-SERVER to build/tests/mebo_fixture_server (built with the tests).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "${1:-$root/screenshots}" && cd "${1:-$root/screenshots}" && pwd)"
mebo="${2:-$("$root/scripts/release-build.sh")}"
fixture="${3:-$root/build/tests/mebo_fixture_server}"
[ -x "$fixture" ] || { echo "service-screenshots: $fixture is missing (build the tests)" >&2; exit 1; }

if [ -z "${MEBO_SCREENSHOTS_INSIDE:-}" ]; then
    export MEBO_SCREENSHOTS_INSIDE=1 MEBO_TEST_XTERMS=1
    exec "$root/tests/desktop/run-desktop.sh" "$0" "$out" "$mebo" "$fixture"
fi

# --- on the private desktop from here on ---
home="$(mktemp -d /tmp/mebo-service-shots.XXXXXX)"
app="" server=""
trap '[ -n "$app" ] && kill "$app" 2>/dev/null; [ -n "$server" ] && kill "$server" 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache"
export XDG_RUNTIME_DIR="$home/run"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
shots="$home/shots"

"$fixture" >"$home/server" &
server=$!
for _ in $(seq 1 100); do [ -s "$home/server" ] && break; sleep 0.05; done
url="$(head -1 "$home/server")"
export MEBO_FEEDBACK_URL="$url/api" MEBO_UPDATE_FEED_URL="$url/appcast.xml"
export MEBO_PUBLISHER_KEY="AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA="
# Tasu as installed (the Hotkeys tab then offers to open it).
mkdir -p "$home/Applications/Tasu.app/Contents/bin"

# shellcheck source=scripts/snap.sh
source "$root/scripts/snap.sh"
wait_for_window() { # TITLE
    for _ in $(seq 1 200); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) && [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.05
    done
    echo "service-screenshots: window '$1' did not appear" >&2
    return 1
}
wait_for_log() { # FILE TEXT
    for _ in $(seq 1 400); do grep -qF "$2" "$1" 2>/dev/null && return 0; sleep 0.05; done
    echo "service-screenshots: '$2' did not appear in $1" >&2
    return 1
}

run_theme() { # light|dark
    local theme=$1 log="$home/app-$1.log"
    rm -f "$XDG_CONFIG_HOME/mebo/defaults.json"
    "$mebo" config set mebo.appearanceMode "$theme" >/dev/null
    # The first launch opens the settings window, which looks for an update.
    "$mebo" --background >"$log" 2>&1 &
    app=$!
    settings=$(wait_for_window "Mebo Settings")
    wait_for_log "$log" "→ updateAvailable"
    xdotool windowsize "$settings" 720 560
    sleep 0.6
    for tab in general shortcuts logs about feedback hotkeys; do
        case "$tab" in
        general|about|feedback|hotkeys) snap "settings-$tab-$theme" "$settings" ;;
        esac
        if [ "$tab" = feedback ]; then
            # The first ticket opens its conversation: clicked from the list's top down until
            # a row answers.
            eval "$(xdotool getwindowgeometry --shell "$settings")"
            for y in $(seq 300 6 460); do
                xdotool mousemove $((X + 200)) $((Y + y)) click 1
                sleep 0.3
                grep -qF "[Feedback] 工單詳情已載入: " "$log" && break
            done
            wait_for_log "$log" "[Feedback] 工單詳情已載入: T1"
            sleep 0.5
            snap "settings-feedback-ticket-$theme" "$settings"
        fi
        xdotool key --window "$settings" ctrl+Tab
        sleep 0.4
    done
    kill "$app"
    wait "$app" 2>/dev/null || true
    app=""
}

run_theme light
run_theme dark
ls "$out"/settings-{general,about,feedback,feedback-ticket,hotkeys}-{light,dark}.png >/dev/null

# The companion's own window, when it was built beside Mebo.
tasu="$(dirname "$mebo")/../tasu/tasu"
if [ -x "$tasu" ]; then
    "$tasu" >"$home/tasu.log" 2>&1 &
    app=$!
    # Matched on WM_NAME, which holds the title without the " — Tasu" that the toolkit adds to
    # _NET_WM_NAME.
    window=$(wait_for_window "Hotkeys for Mebo( — Tasu)?")
    sleep 0.5
    snap "tasu-window" "$window"
    kill "$app"
    wait "$app" 2>/dev/null || true
    app=""
fi
