#!/usr/bin/env bash
# Drives a screen recording on a private test desktop as a user would, with xdotool, and checks
# what it leaves behind:
#   "Record Screen..." opens the source picker (displays and windows with thumbnails); "Custom
#   Region..." switches to the region overlay; a dragged area starts the recording with a video
#   file played as the camera; the floating panel pauses, resumes and stops it; the recording and
#   its camera file are in the library, and the main window shows the recording in its strip.
# Screenshots of the picker, the recording panel with the frame around the recorded area and the
# main window are written in the light and the dark appearance; the panel and the frame are
# checked to lie outside the recorded area.
# Usage: scripts/recording-walkthrough.sh [OUTPUT-DIR] [MEBO-BINARY]
#   OUTPUT-DIR defaults to ./recording-walkthrough; the binary to the build folder's.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "${1:-$root/recording-walkthrough}" && cd "${1:-$root/recording-walkthrough}" && pwd)"
mebo="${2:-$root/build/src/mebo}"

if [ -z "${MEBO_WALKTHROUGH_INSIDE:-}" ]; then
    export MEBO_WALKTHROUGH_INSIDE=1 MEBO_TEST_XTERMS=1
    exec "$root/tests/desktop/run-desktop.sh" "$0" "$out" "$mebo"
fi

# --- on the private desktop from here on ---
home="$(mktemp -d /tmp/mebo-rec-walk.XXXXXX)"
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    [ -n "${note:-}" ] && kill "$note" 2>/dev/null
    rm -rf "$home"
}
trap cleanup EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache"
export XDG_RUNTIME_DIR="$home/run" OMP_THREAD_LIMIT=1
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
library="$home/Pictures/mebo"
shots="$home/shots"
mkdir -p "$shots"
touch "${MEBO_DESKTOP_DIR:-/nonexistent}/freeze" 2>/dev/null || true

fail() {
    echo "recording walkthrough: FAILED: $*" >&2
    [ -f "$home/app.log" ] && tail -30 "$home/app.log" >&2
    snap "failure" || true
    exit 1
}
step() { echo "recording walkthrough: $*"; }
# shellcheck source=scripts/snap.sh
source "$root/scripts/snap.sh"
# shellcheck source=scripts/walkthrough-steps.sh
source "$root/scripts/walkthrough-steps.sh"
has_window() { [ -n "$(window_named "$1")" ]; }
no_window() { [ -z "$(window_named "$1")" ]; }
log_count() { grep -cF -- "$1" "$home/app.log" || true; }
activate() { # WINDOW-ID
    xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1" 2>/dev/null || true
}
geometry_of() { # WINDOW-ID: sets gx gy gw gh
    eval "$(xdotool getwindowgeometry --shell "$1")"
    gx=$X gy=$Y gw=$WIDTH gh=$HEIGHT
}

# The camera: a short test clip played in a loop.
clip="$home/camera.mp4"
ffmpeg -v error -f lavfi -i testsrc2=size=640x360:rate=30 -t 4 -pix_fmt yuv420p "$clip" \
    || fail "the camera clip could not be made"
"$mebo" config set mebo.firstLaunchSettingsShown true >/dev/null
"$mebo" config set mebo.recordWebcam true >/dev/null
"$mebo" config set mebo.selectedCameraDeviceId "file:$clip" >/dev/null
"$mebo" config set mebo.recordSystemAudio false >/dev/null
"$mebo" config set mebo.recordFps 15 >/dev/null
xsetroot -solid '#3d5a80' 2>/dev/null || true
xterm -T rec-walk-note -geometry 50x10+260+200 -fa 'DejaVu Sans Mono' -fs 14 -bg white -fg black \
    -e sh -c 'for i in $(seq 1 600); do date +%T; sleep 1; done' &
note=$!
wait_for "the note terminal" has_window '^rec-walk-note$'

start_app() { # THEME
    "$mebo" config set mebo.appearanceMode "$1" >/dev/null
    "$mebo" --background >"$home/app.log" 2>&1 &
    app=$!
    wait_for "the application to start" log_has 'app-level monitor installed'
}
stop_app() {
    kill "$app"
    wait "$app" 2>/dev/null || true
    app=""
}
open_picker() {
    "$mebo" 'mebo://capture?mode=record'
    wait_for "the source picker" has_window '^Record Screen$'
    picker=$(window_named '^Record Screen$')
    # The thumbnails: the window list has its first picture once the terminal is listed.
    wait_for "the picker's sources" log_has '[CaptureMgr] start mode=record'
    sleep 1 # the first thumbnails paint (only the screenshot waits for them)
}

overlay_up() { # the full-screen overlay window is mapped
    local w
    w=$(window_named '^Mebo$')
    [ -n "$w" ] && geometry_of "$w" && [ "$gw" -ge 1900 ]
}
# Inside RECT (x y w h) no pixel of Mebo's windows: the panel and the frame lie outside it.
check_outside() { # WINDOW-ID X Y W H
    geometry_of "$1"
    local x=$2 y=$3 w=$4 h=$5
    if [ $((gx + gw)) -gt "$x" ] && [ "$gx" -lt $((x + w)) ] && [ $((gy + gh)) -gt "$y" ] && [ "$gy" -lt $((y + h)) ]; then
        fail "window $1 ($gx,$gy ${gw}x$gh) overlaps the recorded area ($x,$y ${w}x$h)"
    fi
}

record_once() { # THEME
    local theme=$1 before
    before=$(log_count '[CaptureMgr] 錄影已儲存: ')
    open_picker
    snap "picker-$theme"
    step "$theme: Custom Region..."
    activate "$picker"
    xdotool key --clearmodifiers alt+g
    wait_for "the region overlay" log_has '[CaptureMgr] picker → switchToArea, 切到 RegionSelectionWindow'
    wait_for "the picker to close" no_window '^Record Screen$'
    wait_for "the region overlay on the screen" overlay_up
    sleep 0.5
    if [ "$theme" = light ]; then
        drag 300 220 1100 720
    else
        # The area recorded last time is offered again, ready to start.
        xdotool mousemove 960 900
    fi
    sleep 0.3
    snap "region-$theme"
    # The overlay's Start Recording plate sits centred 10 pixels below the area.
    xdotool mousemove 700 752 click 1
    wait_for "the recording to start" sh -c "[ \$(grep -cF '[Recording] 開始錄影' '$home/app.log') -gt $((before)) ]"
    wait_for "the recording panel" has_window '^Mebo Recording$'
    local panel
    panel=$(window_named '^Mebo Recording$')
    # The recorded area is 800 x 500 at (300, 220), as dragged (a pixel more or less at the edges).
    check_outside "$panel" 302 222 796 496
    local frame
    frame=$(xdotool search --name '^Mebo Recording Frame$' 2>/dev/null | head -1)
    [ -n "$frame" ] || fail "no frame around the recorded area"
    wait_for "the camera preview" log_has '[Recording] 攝影機捕獲已啟動 (Webcam PiP)'
    sleep 2
    snap "recording-$theme"
    step "$theme: pause, resume, stop"
    activate "$panel"
    xdotool key --clearmodifiers alt+p
    wait_for "the pause" log_has '[Recording] 暫停'
    sleep 1
    snap "paused-$theme"
    # The tray menu while paused: Resume, and Stop with the elapsed time.
    local tray
    tray=$(xdotool search --name '^panel$' 2>/dev/null | head -1)
    if [ -n "$tray" ]; then
        geometry_of "$tray"
        xdotool mousemove $((gx + gw - 14)) $((gy + gh / 2)) click 1
        sleep 1
        snap "tray-paused-$theme"
        xdotool key Escape
        sleep 0.3
    fi
    activate "$panel"
    xdotool key --clearmodifiers alt+r
    wait_for "the resume" log_has '[Recording] 繼續'
    sleep 1.5
    activate "$panel"
    xdotool key --clearmodifiers alt+t
    wait_for "the saved recording" sh -c "[ \$(grep -cF '[CaptureMgr] 錄影已儲存: ' '$home/app.log') -gt $before ]"
    wait_for "the panel to close" no_window '^Mebo Recording$'
    recording=$(grep -F '[CaptureMgr] 錄影已儲存: ' "$home/app.log" | tail -1 | sed 's/.*錄影已儲存: //')
    [ -s "$recording" ] || fail "the recording $recording is missing"
    local size
    size=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "$recording")
    local rw=${size%,*} rh=${size#*,}
    [ $((rw - 800)) -ge -2 ] && [ $((rw - 800)) -le 2 ] && [ $((rh - 500)) -ge -2 ] && [ $((rh - 500)) -le 2 ] \
        || fail "the recording is $size, not about 800,500"
    [ -s "${recording%.mp4}.webcam.mp4" ] || fail "no camera file beside the recording"
    "$mebo" history list --json | grep -qF "$(basename "$recording")" || fail "the recording is not in the library"
    step "$theme: the strip"
    "$mebo" --show
    wait_for "the main window" has_window ' — Mebo$|^Mebo$'
    sleep 1
    snap "main-$theme"
}

start_app light
record_once light
stop_app
start_app dark
record_once dark
open_picker
activate "$picker"
xdotool key Escape
wait_for "the picker to close on Escape" no_window '^Record Screen$'
wait_for "the cancel line" log_has '[CaptureMgr] 錄影來源選擇取消'
stop_app
step "passed; screenshots in $out"
