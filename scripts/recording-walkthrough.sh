#!/usr/bin/env bash
# Drives a screen recording on a private test desktop as a user would, with xdotool, and checks
# what it leaves behind:
#   "Record Screen..." in the tray menu opens the source picker (displays and windows with
#   thumbnails, the panel with its levels and camera picture); "Custom Region..." switches to the
#   region overlay; a dragged area starts the recording with a video file played as the camera;
#   the floating panel pauses, resumes and stops it; the recording and its camera file are in the
#   library, the main window shows it in its strip, and File > Trim Video... cuts 0.5 s to 2.5 s
#   of it into a copy that joins the strip.
# Screenshots of the picker, the panel before and while recording, the frame around the recorded
# area, the tray menu, the Trim Video prompt and the main window are written in the light and the
# dark appearance; the panel and the frame are checked to lie outside the recorded area, on the
# screen and in the recorded frames.
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
    # The trap runs under set -e: a helper that has already ended must not turn a passed run into
    # a failure.
    set +e
    [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    [ -n "${note:-}" ] && kill "$note" 2>/dev/null
    [ -n "${tone:-}" ] && kill "$tone" "$voice" 2>/dev/null
    [ -n "${pulse:-}" ] && kill "$pulse" 2>/dev/null
    rm -rf "$home"
}
trap cleanup EXIT
# shellcheck source=scripts/walkthrough-steps.sh
source "$root/scripts/walkthrough-steps.sh"
private_home "$home"
mkdir -p "$shots"
touch "${MEBO_DESKTOP_DIR:-/nonexistent}/freeze" 2>/dev/null || true

fail() {
    echo "recording walkthrough: FAILED: $*" >&2
    [ -f "$home/app.log" ] && tail -30 "$home/app.log" >&2 && cp "$home/app.log" "$out/app.log"
    snap "failure" || true
    exit 1
}
step() { echo "recording walkthrough: $*"; }
# shellcheck source=scripts/snap.sh
source "$root/scripts/snap.sh"
# Mebo ends cleanly on SIGTERM, whatever it recorded before: a crash on the way out fails.
stop_app() {
    kill "$app"
    local status=0
    wait "$app" 2>/dev/null || status=$?
    app=""
    [ "$status" -eq 0 ] || fail "Mebo ended with status $status when asked to quit"
}
poll_for() { # SECONDS COMMAND...: whether COMMAND succeeds within SECONDS
    local end=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.05
    done
}
has_window() { [ -n "$(window_named "$1")" ]; }
no_window() { [ -z "$(window_named "$1")" ]; }
log_count() { grep -acF -- "$1" "$home/app.log" || true; }
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
# A private sound server with tones played into its output and into the microphone's stand-in
# (a second output, whose monitor is the default input), so the panel's level meters move on the
# screenshots and both sounds are recorded; MEBO_WALKTHROUGH_TONE=0 records without sound.
if [ "${MEBO_WALKTHROUGH_TONE:-1}" != 0 ] && command -v pulseaudio >/dev/null; then
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-target=stderr \
        --load="module-null-sink sink_name=speakers" --load="module-null-sink sink_name=voice" \
        --load="module-native-protocol-unix auth-anonymous=1 socket=$home/pulse" 2>/dev/null &
    pulse=$!
    export PULSE_SERVER="unix:$home/pulse"
    wait_for "the sound server" sh -c 'pactl set-default-sink speakers && pactl set-default-source voice.monitor'
    ffmpeg -v error -re -f lavfi -i "sine=f=300:d=900" -af volume=0.3 -f pulse -device speakers tone &
    tone=$!
    ffmpeg -v error -re -f lavfi -i "sine=f=440:d=900" -af volume=0.1 -f pulse -device voice voice &
    voice=$!
    "$mebo" config set mebo.recordSystemAudio true >/dev/null
    "$mebo" config set mebo.recordMicrophone true >/dev/null
fi
xsetroot -solid '#3d5a80' 2>/dev/null || true
xterm -T rec-walk-note -geometry 50x10+260+200 -fa 'DejaVu Sans Mono' -fs 14 -bg white -fg black \
    -e sh -c 'while :; do date +%T; sleep 1; done' &
note=$!
wait_for "the note terminal" has_window '^rec-walk-note$'

client_origin() { # WINDOW-ID: sets ax ay, the screen position of its top-left pixel
    ax=$(xwininfo -id "$1" | awk '/Absolute upper-left X/ { print $NF }')
    ay=$(xwininfo -id "$1" | awk '/Absolute upper-left Y/ { print $NF }')
}
tray_geometry() { # sets gx gy gw gh of the tray
    local tray
    tray=$(xdotool search --name '^panel$' 2>/dev/null | head -1)
    [ -n "$tray" ] || fail "no system tray on the test desktop"
    geometry_of "$tray"
}
popup_count() { xdotool search --onlyvisible --class '^mebo$' 2>/dev/null | wc -l; }
# Mebo's windows shown now that were not in the list FILE (a count could miss a new menu while a
# tooltip or a closing prompt goes at the same moment).
new_popup() { # FILE
    xdotool search --onlyvisible --class '^mebo$' 2>/dev/null | sort | comm -13 "$1" - | grep -q .
}
open_tray_menu() { # sets popups_before
    popups_before=$(popup_count)
    xdotool search --onlyvisible --class '^mebo$' 2>/dev/null | sort >"$home/popups-before"
    tray_geometry
    xdotool mousemove $((gx + gw - 14)) $((gy + gh / 2)) click 1
    wait_for "the tray menu" new_popup "$home/popups-before"
    # The pointer leaves the menu, which opens under it: a hovered item would take over from the
    # keys when the pointer's motion is handled after them.
    xdotool mousemove 960 1000
    wait_for "the tray menu to take the keyboard" keyboard_grabbed
}
# "Record Screen..." from the tray menu (its fourth item) opens the source picker; its tiles
# and the panel's camera picture are waited for.
open_picker() {
    local shown previews
    shown=$(log_count '[SourcePicker] 縮圖已就緒')
    previews=$(log_count '[RecordingPreview] 攝影機預覽已顯示')
    # Keys that come before the menu holds the keyboard are lost on a busy machine: what opened
    # instead (nothing, or another item's overlay) is closed and the menu opened again.
    local try
    for try in 1 2 3 4; do
        open_tray_menu
        xdotool key Down Down Down Down Return
        if poll_for 20 has_window '^Record Screen$'; then
            break
        fi
        [ "$try" -lt 4 ] || fail "the source picker"
        step "the tray menu missed its keys; again"
        poll_for 20 keyboard_grabbed || true
        xdotool key Escape
        poll_for 20 sh -c "! xdotool search --onlyvisible --name '^Mebo$' >/dev/null 2>&1 && [ \$(xdotool search --onlyvisible --class '^mebo$' 2>/dev/null | wc -l) -le $popups_before ]" || true
    done
    picker=$(window_named '^Record Screen$')
    log_has '[CaptureMgr] startRecordWithPicker source=menuBar' || fail "the picker did not come from the tray"
    wait_for "the picker's thumbnails" sh -c "[ \$(grep -acF '[SourcePicker] 縮圖已就緒' '$home/app.log') -gt $shown ]"
    wait_for "the camera preview before start" \
        sh -c "[ \$(grep -acF '[RecordingPreview] 攝影機預覽已顯示' '$home/app.log') -gt $previews ]"
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

# The recorded picture at SECONDS has none of the frame's or the panel's pixels: no red or amber
# of the frame along its edges, and the panel's place (outside the area) is not in it.
check_frame() { # FILE SECONDS
    ffmpeg -v error -ss "$2" -i "$1" -frames:v 1 -f rawvideo -pix_fmt rgb24 -y "$home/frame.rgb" \
        || fail "no frame at $2 s in $1"
    local size
    size=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "$1")
    python3 - "$home/frame.rgb" "${size%,*}" "${size#*,}" <<'PY' && return 0
import sys
data = open(sys.argv[1], "rb").read()
w, h = int(sys.argv[2]), int(sys.argv[3])
def px(x, y):
    i = 3 * (y * w + x)
    return data[i], data[i + 1], data[i + 2]
def ring_colour(c):  # the frame: red (224, 27, 36) while recording, amber (229, 165, 10) paused
    r, g, b = c
    return (r > 180 and g < 70 and b < 80) or (r > 190 and 120 < g < 200 and b < 60)
# A frame drawn inside the picture would run along a whole edge; the pointer's halo (clamped to
# the edge while the pointer is outside) is a small ring, not a line.
band = 6
lines = [[px(x, y) for x in range(w)] for y in list(range(band)) + list(range(h - band, h))]
lines += [[px(x, y) for y in range(h)] for x in list(range(band)) + list(range(w - band, w))]
worst = max(sum(map(ring_colour, line)) / len(line) for line in lines)
if worst > 0.3:
    print("an edge line is %d%% frame-coloured" % (100 * worst), file=sys.stderr)
    sys.exit(1)
PY
    ffmpeg -v error -ss "$2" -i "$1" -frames:v 1 -y "$out/bad-frame.png" || true
    fail "the frame or the panel is inside the recording (the frame at $2 s: bad-frame.png)"
}

record_once() { # THEME
    local theme=$1 before
    before=$(log_count '[CaptureMgr] 錄影已儲存: ')
    open_picker
    snap "picker-$theme"
    snap "panel-ready-$theme" "$picker"
    step "$theme: Custom Region..."
    activate "$picker"
    xdotool key --clearmodifiers alt+g
    wait_for "the region overlay" log_has '[CaptureMgr] picker → switchToArea, 切到 RegionSelectionWindow'
    wait_for "the picker to close" no_window '^Record Screen$'
    wait_for "the region overlay on the screen" overlay_up
    if [ "$theme" = light ]; then
        drag 300 220 1100 720
    else
        # The area recorded last time is offered again, ready to start.
        xdotool mousemove 960 900
    fi
    snap "region-$theme"
    # The overlay's Start Recording plate sits centred 10 pixels below the area.
    xdotool mousemove 700 752 click 1
    wait_for "the recording to start" sh -c "[ \$(grep -acF '[Recording] 開始錄影' '$home/app.log') -gt $((before)) ]"
    wait_for "the recording panel" has_window '^Mebo Recording$'
    local panel
    panel=$(window_named '^Mebo Recording$')
    # The recorded area is 800 x 500 at (300, 220), as dragged (a pixel more or less at the edges).
    check_outside "$panel" 302 222 796 496
    local frame
    frame=$(xdotool search --name '^Mebo Recording Frame$' 2>/dev/null | head -1)
    [ -n "$frame" ] || fail "no frame around the recorded area"
    wait_for "the camera" log_has '[Recording] 攝影機捕獲已啟動 (Webcam PiP)'
    # The unfinished file grows by a fragment every half second once frames are written.
    local growing
    growing=$(find "$library" -name '*.recording.mp4' | head -1)
    wait_for "the first fragments" sh -c "[ \$(stat -c %s '$growing' 2>/dev/null || echo 0) -gt 20000 ]"
    snap "recording-$theme"
    snap "panel-recording-$theme" "$panel"
    step "$theme: pause, resume, stop"
    activate "$panel"
    xdotool key --clearmodifiers alt+p
    wait_for "the pause" log_has '[Recording] 暫停'
    snap "paused-$theme"
    # The tray menu while paused: Resume, and Stop with the elapsed time.
    open_tray_menu
    snap "tray-paused-$theme"
    xdotool key Escape
    wait_for "the tray menu to close" sh -c "[ \$(xdotool search --onlyvisible --class '^mebo$' 2>/dev/null | wc -l) -le $popups_before ]"
    activate "$panel"
    xdotool key --clearmodifiers alt+r
    wait_for "the resume" log_has '[Recording] 繼續'
    # Two seconds more of picture after the pause (the recording's content, not a wait for a state).
    sleep 2
    activate "$panel"
    xdotool key --clearmodifiers alt+t
    wait_for "the saved recording" sh -c "[ \$(grep -acF '[CaptureMgr] 錄影已儲存: ' '$home/app.log') -gt $before ]"
    wait_for "the panel to close" no_window '^Mebo Recording$'
    recording=$(grep -aF '[CaptureMgr] 錄影已儲存: ' "$home/app.log" | tail -1 | sed 's/.*錄影已儲存: //')
    [ -s "$recording" ] || fail "the recording $recording is missing"
    local size
    size=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "$recording")
    local rw=${size%,*} rh=${size#*,}
    [ $((rw - 800)) -ge -2 ] && [ $((rw - 800)) -le 2 ] && [ $((rh - 500)) -ge -2 ] && [ $((rh - 500)) -le 2 ] \
        || fail "the recording is $size, not about 800,500"
    if [ -n "${pulse:-}" ]; then # the system sound and the microphone, a track each
        [ "$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$recording" | grep -c audio)" = 2 ] \
            || fail "the recording does not hold the two sound tracks"
    fi
    check_frame "$recording" 0.5
    check_frame "$recording" 2.5
    [ -s "${recording%.mp4}.webcam.mp4" ] || fail "no camera file beside the recording"
    "$mebo" history list --json | grep -qF "$(basename "$recording")" || fail "the recording is not in the library"
    step "$theme: the strip"
    "$mebo" --show || fail "mebo --show ended with status $?"
    wait_for "the main window" has_window ' — Mebo$|^Mebo$'
    local main
    main=$(window_named ' — Mebo$|^Mebo$')
    snap "main-$theme"
    trim_latest "$theme" "$main" "$recording"
}

# File > Trim Video... (the File menu's last item) on the recording just made: 0.5 s to 2.5 s.
trim_latest() { # THEME MAIN-WINDOW RECORDING
    local theme=$1 main=$2 recording=$3 trimmed
    trimmed="${recording%.mp4}_trimmed.mp4"
    step "$theme: Trim Video..."
    activate "$main"
    # The menu bar's first menu, then the next one (File) with the arrow key, then its last item.
    client_origin "$main"
    xdotool search --onlyvisible --class '^mebo$' 2>/dev/null | sort >"$home/popups-before"
    xdotool mousemove $((ax + 20)) $((ay + 10)) click 1
    wait_for "the application menu" new_popup "$home/popups-before"
    wait_for "the application menu to take the keyboard" keyboard_grabbed
    xdotool key Right Up Return
    wait_for "the Trim Video prompt" has_window '^Trim Video$'
    local prompt
    prompt=$(window_named '^Trim Video$')
    snap "trim-prompt-$theme" "$prompt"
    xdotool type --delay 30 "0.5"
    xdotool key Tab ctrl+a
    xdotool type --delay 30 "2.5"
    snap "trim-filled-$theme" "$prompt"
    xdotool key Return
    wait_for "the trimmed copy" sh -c "grep -aqF '[CaptureMgr] 影片裁剪成功: $trimmed' '$home/app.log'"
    local duration
    duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$trimmed")
    awk -v d="$duration" 'BEGIN { exit !(d >= 1.9 && d <= 2.6) }' \
        || fail "the trimmed copy lasts $duration s, not about 2 s"
    wait_for "the trimmed copy in the library" \
        sh -c "'$mebo' history list --json | grep -qF '$(basename "$trimmed")'"
    activate "$main"
    snap "main-trimmed-$theme"
}

# A window that is minimised once it was chosen: "Target Window Not in Current Space" with Retry
# and Cancel; Retry, with the window back, records it; the tray menu's first recording item stops.
window_gone_then_retry() { # THEME
    local theme=$1 note_window failures starts saved
    note_window=$(window_named '^rec-walk-note$')
    activate "$note_window"
    failures=$(log_count '[CaptureMgr] 錄影啟動失敗: ')
    starts=$(log_count '[Recording] 開始錄影')
    saved=$(log_count '[CaptureMgr] 錄影已儲存: ')
    open_picker
    # The window list's first tile is the window in front: the note.
    client_origin "$picker"
    activate "$picker"
    xdotool windowminimize --sync "$note_window"
    local tile_x=$((ax + 16 + 130)) tile_y=$((ay + 16 + 34 + 8 + 20 + 8 + 216 + 8 + 20 + 8 + 50))
    xdotool mousemove "$tile_x" "$tile_y" click 1
    xdotool key --clearmodifiers alt+s
    wait_for "the start failure" sh -c "[ \$(grep -acF '[CaptureMgr] 錄影啟動失敗: ' '$home/app.log') -gt $failures ]"
    grep -aF '[CaptureMgr] 錄影啟動失敗: ' "$home/app.log" | tail -1 | grep -aqF '目標窗口「rec-walk-note」' \
        || fail "the failure does not name the minimised window"
    wait_for "the alert" has_window '^Target Window Not in Current Space$'
    snap "alert-window-gone-$theme"
    xdotool windowmap --sync "$note_window" 2>/dev/null || true
    xdotool windowactivate --sync "$note_window" 2>/dev/null || true
    local alert
    alert=$(window_named '^Target Window Not in Current Space$')
    activate "$alert"
    xdotool key --clearmodifiers Return # Retry, the default button
    wait_for "the retried recording" sh -c "[ \$(grep -acF '[Recording] 開始錄影' '$home/app.log') -gt $starts ]"
    open_tray_menu
    snap "tray-recording-$theme"
    xdotool key Down Down Down Down Return # "Stop Recording"
    wait_for "the window's recording" sh -c "[ \$(grep -acF '[CaptureMgr] 錄影已儲存: ' '$home/app.log') -gt $saved ]"
}

start_app light
record_once light
stop_app
start_app dark
record_once dark
window_gone_then_retry dark
open_picker
activate "$picker"
xdotool key Escape
wait_for "the picker to close on Escape" no_window '^Record Screen$'
wait_for "the cancel line" log_has '[CaptureMgr] 錄影來源選擇取消'
stop_app
step "passed; screenshots in $out"
