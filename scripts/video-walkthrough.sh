#!/usr/bin/env bash
# Drives the video editor on a private test desktop as a user would, with xdotool, and checks
# what it leaves behind:
#   a generated recording (eight seconds of picture, system audio and microphone tracks) in the
#   library opens from the main window's strip; a cut, a 2x speed region, a chapter split at the
#   playhead and renamed, the microphone muted for five seconds, a text annotation and a background
#   with padding are made on the timeline and in the inspector; undo and redo; the editor is closed
#   and the project opened again from its file with everything back; the MP4 and the GIF exports
#   are checked with `mebo video info` and ffprobe against the project's own output duration; an
#   export cancelled from its progress sheet leaves no file.
# Screenshots of the editor with each inspector page, the rename sheet, the GIF options dialog and
# both progress sheets are written in the light and the dark appearance.
# Usage: scripts/video-walkthrough.sh [OUTPUT-DIR] [MEBO-BINARY]
#   OUTPUT-DIR defaults to ./video-walkthrough; the binary to the build folder's.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "${1:-$root/video-walkthrough}" && cd "${1:-$root/video-walkthrough}" && pwd)"
mebo="${2:-$root/build/src/mebo}"

if [ -z "${MEBO_WALKTHROUGH_INSIDE:-}" ]; then
    # The accessibility bus on: the editor's controls are found by their names.
    export MEBO_WALKTHROUGH_INSIDE=1 MEBO_TEST_XTERMS=0 MEBO_TEST_A11Y=1
    exec "$root/tests/desktop/run-desktop.sh" "$0" "$out" "$mebo"
fi

# --- on the private desktop from here on ---
home="$(mktemp -d /tmp/mebo-video-walk.XXXXXX)"
app=""
cleanup() {
    # The trap runs under set -e: a helper that has already ended must not turn a passed run into
    # a failure.
    set +e
    [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    rm -rf "$home"
}
trap cleanup EXIT
# shellcheck source=scripts/walkthrough-steps.sh
source "$root/scripts/walkthrough-steps.sh"
private_home "$home"
mkdir -p "$library" "$shots"

fail() {
    echo "video walkthrough: FAILED: $*" >&2
    [ -f "$home/app.log" ] && tail -30 "$home/app.log" >&2 && cp "$home/app.log" "$out/app.log"
    [ -f "${project:-}" ] && "$mebo" video info "$project" >&2
    snap "failure" || true
    exit 1
}
step() { echo "video walkthrough: [${SECONDS}s] $*"; }
# shellcheck source=scripts/snap.sh
source "$root/scripts/snap.sh"
has_window() { [ -n "$(window_named "$1")" ]; }
no_window() { [ -z "$(window_named "$1")" ]; }
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
activate() { # WINDOW-ID
    xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1" 2>/dev/null || true
    wait_for "window $1 to take the focus" is_active "$1"
}
# Controls are found by their accessible names (the inspector's by their rows' labels) through the
# accessibility tree, wherever a new control or a font puts them.
find_widget() { # NAME [ROLE]: sets wx wy ww wh (screen pixels)
    local r
    r=$(/usr/bin/python3 "$root/tests/desktop/a11y-find.py" mebo "$@" 2>/dev/null) || return 1
    read -r wx wy ww wh <<<"$r"
}
widget() { wait_for "the control '$1'" find_widget "$@"; }
click_widget() { # NAME [ROLE]
    widget "$@"
    xdotool mousemove $((wx + ww / 2)) $((wy + wh / 2)) click 1
}
# Where a window's pixels are (xdotool counts the frame's offset in, xwininfo does not).
geometry_of() { # WINDOW-ID: sets gx gy gw gh
    read -r gx gy gw gh < <(xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $4 }
        /Absolute upper-left Y/ { y = $4 } /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }')
}
json_of() { "$mebo" video info "$1" --json; }
# A value of the project's (or a video's) JSON description: a Python expression over `j`.
info_value() { # FILE EXPRESSION
    json_of "$1" | python3 -c "import json, sys; j = json.load(sys.stdin); print($2)"
}
# True when the project file exists and EXPRESSION holds: over `j`, what `mebo video info --json`
# makes of it, and `p`, the file's own settings. Every save is a new file (written atomically), so
# a file judged once is not read again while it stays the same.
project_seen="" project_said=1
project_says() { # EXPRESSION
    local now
    now=$(stat -c '%i %.9Y %s' "$project" 2>/dev/null) || return 1
    [ "$now $1" = "$project_seen" ] && return "$project_said"
    project_seen="$now $1" project_said=1
    if [ "$(json_of "$project" 2>/dev/null | python3 -c "
import json, sys
j = json.load(sys.stdin)
p = json.load(open('$project'))
p = p.get('edit', p)
print(bool($1))" 2>/dev/null)" = True ]; then
        project_said=0
    fi
    return "$project_said"
}

# The recording: eight seconds of a test picture at 15 fps, a tone on the system-audio track and
# another on the microphone's, in the library as a screen recording. Wider than the GIF's 720
# pixels, so the GIF is scaled down; long enough for a five-second mute, a cut and a speed region
# apart.
clip_secs=8
clip="$library/walkthrough-recording.mp4"
project="${clip%.mp4}.mebo-video"
ffmpeg -v error -f lavfi -i testsrc2=size=800x450:rate=15 -f lavfi -i sine=frequency=440:sample_rate=48000 \
    -f lavfi -i sine=frequency=660:sample_rate=48000 -t $clip_secs -map 0:v -map 1:a -map 2:a \
    -c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 15 -c:a aac \
    -metadata:s:a:0 handler_name="System Audio" -metadata:s:a:1 handler_name="Microphone" "$clip" \
    || fail "the recording could not be made"
mkdir -p "$XDG_CACHE_HOME/mebo/thumbnails"
ffmpeg -v error -ss 2 -i "$clip" -frames:v 1 -vf scale=320:-2 "$XDG_CACHE_HOME/mebo/thumbnails/walk-rec.jpg"
# The camera's recording beside it.
ffmpeg -v error -f lavfi -i testsrc=size=320x240:rate=15 -t $clip_secs -c:v libx264 -preset ultrafast -pix_fmt yuv420p \
    "${clip%.mp4}.webcam.mp4" || fail "the camera recording could not be made"
cat >"$library/index.json" <<EOF
[{"id": "walk-rec", "filename": "$(basename "$clip")", "thumbnailName": "walk-rec.jpg", "mode": "record",
  "createdAt": "$(date -u +%Y-%m-%dT%H:%M:%SZ)", "widthPx": 800, "heightPx": 450, "tags": [],
  "mediaType": "video", "durationSec": $clip_secs, "hasMeboSidecar": false}]
EOF
"$mebo" config set mebo.firstLaunchSettingsShown true >/dev/null
# What an earlier session left in the transient asset folder is swept at start.
stale="$XDG_CACHE_HOME/mebo/transient-video-assets/earlier-session"
mkdir -p "$stale" && touch "$stale/annotation.png"
xsetroot -solid '#3d5a80' 2>/dev/null || true

show_main() {
    "$mebo" --show
    wait_window main "the main window" ' — Mebo$|^Mebo$'
    xdotool windowmove --sync "$main" 0 0 2>/dev/null || true
    xdotool windowsize --sync "$main" 1280 800 2>/dev/null || true
    activate "$main"
    geometry_of "$main"
    mx=$gx my=$gy
}
# The window manager's close (Alt+F4): the editor saves what is pending and goes.
close_editor() {
    activate "$editor"
    xdotool key alt+F4
    wait_for "the editor to close" no_window "$editor_title"
}
accept_dialog() { # TITLE: Return until the dialog has gone
    no_window "$1" && return 0
    xdotool key Return
    local i
    for i in $(seq 20); do
        no_window "$1" && return 0
        sleep 0.05
    done
    return 1
}
file_menu() { # ITEM: the main window's File menu, its ITEM
    activate "$main"
    click_widget File
    click_widget "$1" "menu item"
}
editor_title="^$(basename "$clip")\$"
# The editor at a known place and size: the timeline's rows and the inspector's controls are found
# from the window's corners.
place_editor() {
    wait_window editor "the video editor" "$editor_title"
    xdotool windowmove --sync "$editor" 0 0 2>/dev/null || true
    xdotool windowsize --sync "$editor" 1400 900 2>/dev/null || true
    wait_for "the editor's size" sh -c "xdotool getwindowgeometry '$editor' | grep -q 'Geometry: 1400x900'"
    activate "$editor"
    geometry_of "$editor"
    ex=$gx ey=$gy ew=$gw eh=$gh
    tab_at=()
    widget Timeline
    tl_x=$wx tl_y=$wy tl_w=$ww
    step "editor at ${ex},${ey} ${ew}x${eh}, its timeline at ${tl_x},${tl_y} ${tl_w} wide"
}
# Inside the timeline: the ruler (24), the pictures and the sound (68), then rows of 24; the
# row titles take 96 on the left and the time scale leaves 40 either side.
row_y() { # ROW-INDEX (0 chapters, 1 segments, 2 cuts, 3 speed, 4 annotations, 5 system, 6 mic, 7 camera)
    echo $((tl_y + 24 + 68 + $1 * 24 + 12))
}
time_x() { # SECONDS: on the clip, at zoom 1
    awk -v t="$1" -v d="$clip_secs" -v x="$tl_x" -v w="$tl_w" 'BEGIN { printf "%d\n", x + 96 + 40 + t / d * (w - 96 - 80) }'
}
seek() { # SECONDS: a click on the ruler
    xdotool mousemove "$(time_x "$1")" $((tl_y + 12)) click 1
}
row_menu() { # ROW-INDEX SECONDS ITEM-NUMBER: the row's context menu there, its Nth item
    xdotool mousemove "$(time_x "$2")" "$(row_y "$1")" click 3
    wait_for "the context menu" keyboard_grabbed
    local i
    for i in $(seq 1 "$3"); do xdotool key Down; done
    xdotool key Return
}
key() { activate "$editor"; xdotool key --clearmodifiers "$@"; }
# Presses KEY one undo step at a time until the saved project says CONDITION (at most eight steps);
# `undone` counts the steps. Every step is saved (a new file, written atomically), so each is
# judged once its file is there.
undone=0
step_until() { # KEY WHAT CONDITION
    local n saved
    for n in 1 2 3 4 5 6 7 8; do
        saved=$(stat -c '%i %.9Y' "$project")
        key "$1"
        undone=$((undone + 1))
        wait_for "$2: step $n saved" sh -c "[ \"\$(stat -c '%i %.9Y' '$project')\" != '$saved' ]"
        project_says "$3" && return 0
    done
    fail "$2"
}
# The colour of the screen pixel X Y as "R G B".
pixel() { # X Y
    ffmpeg -v error -f x11grab -video_size 1x1 -i "$DISPLAY+$1,$2" -frames:v 1 -f rawvideo -pix_fmt rgb24 - | od -An -tu1
}
# A freshly opened editor reads the source's pictures, then its sound, in the background: drawn to
# the end when the waveform (the highlight colour, blue) has reached the timeline's last second.
strips_drawn() {
    local r g b
    read -r r g b < <(pixel "$(time_x $((clip_secs - 1)).9)" $((tl_y + 24 + 40 + 14)))
    [ "$b" -gt 150 ] && [ "$b" -gt $((r + 60)) ]
}
# The inspector's tabs, found once for each placed editor (they stay where they are).
inspector_tabs=(Canvas Export Webcam Cursor Annotation Crop)
tab_at=()
inspector_tab() { # INDEX
    if [ -z "${tab_at[$1]:-}" ]; then
        widget "${inspector_tabs[$1]}" "page tab"
        tab_at[$1]="$((wx + ww / 2)) $((wy + wh / 2))"
    fi
    xdotool mousemove ${tab_at[$1]} click 1
}

edit_once() {
    step "open the recording from the strip"
    show_main
    snap "main-window-video-item-light" "$main"
    xdotool mousemove $((mx + 90)) $((my + 110)) click 1
    place_editor
    snap "editor-opened-light" "$editor"

    # Edits made one after another are saved together (a burst is one save), then judged.
    step "a cut from 2 s, a 2x speed region from 6 s, a chapter split at 5 s and renamed"
    row_menu 2 2.1 1
    row_menu 3 6.1 1
    seek 5
    key ctrl+b
    wait_for "the cut, the speed region and the chapter split in the project" project_says \
        "len(j['effectiveCuts']) == 1 and len(p['speedRegions']) == 1 and len(j['chapters']) == 2"
    row_menu 0 7 2
    wait_for "the rename sheet" has_window '^Rename Chapter$'
    sleep 0.5
    snap "rename-chapter-light" "$(window_named '^Rename Chapter$')"
    xdotool key ctrl+a
    xdotool type --delay 20 'Faster part'
    xdotool key Return
    wait_for "the rename sheet to close" no_window '^Rename Chapter$'
    step "the microphone muted for five seconds from the start, a text annotation at 0.5 s"
    key Home
    row_menu 6 1 1
    row_menu 4 0.6 1
    wait_for "the renamed chapter, the microphone's mute and the annotation" project_says \
        "'Faster part' in json.dumps(j) and j['micMuted'] == [[0, 5]] and len(p['annotationRegions']) == 1"
    inspector_tab 4
    click_widget Text text
    xdotool key ctrl+a
    xdotool type --delay 20 'Look here'
    xdotool key Return
    step "a background with padding"
    inspector_tab 0
    click_widget "Show background" "check box"
    # The padding slider's handle from its left end (nothing yet) to the middle.
    widget Padding slider
    drag $((wx + 5)) $((wy + wh / 2)) $((wx + ww / 2)) $((wy + wh / 2))
    wait_for "the annotation's text, the background and its padding" project_says \
        "'Look here' in json.dumps(p['annotationRegions']) and p['showBackground'] and p['backgroundPadding'] > 20"
    step "undo and redo"
    # Settings are undo steps too: the padding and the background go first, then the text.
    step_until ctrl+z "undo to take the background back" "not p['showBackground']"
    step_until ctrl+z "undo to take the annotation's text back" "'Look here' not in json.dumps(p['annotationRegions'])"
    step_until ctrl+z "undo to remove the annotation" "len(p['annotationRegions']) == 0"
    # As many redo steps as were undone, at once, bring everything back.
    key $(printf 'ctrl+shift+z %.0s' $(seq "$undone"))
    wait_for "redo to bring everything back in $undone steps" project_says \
        "'Look here' in json.dumps(p['annotationRegions']) and p['showBackground'] and p['backgroundPadding'] > 20"
    snap "editor-edited-light" "$editor"
    page_shots light

    step "closed, then opened again from the project file (File > Open Project...)"
    close_editor
    cp "$project" "$out/project-edited.mebo-video"
    file_menu "Open Project..."
    wait_for "the Open Project dialog" has_window '^Choose a .mebo-video project file.$'
    activate "$(window_named '^Choose a .mebo-video project file.$')"
    xdotool key ctrl+a
    xdotool type --delay 10 "$project"
    # The first Return may only take the completer's suggestion.
    wait_for "the Open Project dialog to take the file" accept_dialog '^Choose a .mebo-video project file.$'
    place_editor
    # What comes back is the editor's own state: a new edit is saved with everything made before.
    key Home
    row_menu 5 1 1
    wait_for "the system audio's mute" project_says "j['systemAudioMuted'] == [[0, 5]]"
    expect_project "the edit after reopening"
}

# The editor with each inspector page (the annotation selected for its page).
page_shots() { # THEME
    seek 1.5
    xdotool mousemove "$(time_x 1.5)" "$(row_y 4)" click 1
    local i
    for i in 0 1 2 3 4 5; do
        inspector_tab "$i"
        sleep 0.5
        snap "editor-${inspector_tabs[$i],,}-$1" "$editor"
    done
    crop_shots "$1"
    inspector_tab 0
}
# A square crop drawn on the picture (the crop page's aspect choice), shot, then reset and unlocked.
crop_shots() { # THEME
    inspector_tab 5
    click_widget "Draw Crop"
    # A combo box is known by its current choice.
    click_widget Free "combo box"
    wait_for "the aspect choices" keyboard_grabbed
    xdotool key Down Down Down Return # Free, 16:9, 9:16, 1:1
    wait_for "the square crop in the project" project_says "p.get('cropRect') and p['cropAspectLocked']"
    sleep 0.5
    snap "editor-crop-drawn-$1" "$editor"
    # Reset leaves the aspect locked: only the box unlocks it.
    click_widget "Reset Crop"
    # Unlocked, the aspect choice reads "Free" again.
    click_widget "Lock aspect ratio" "check box"
    wait_for "the crop reset and its aspect unlocked" project_says "not p.get('cropRect') and not p['cropAspectLocked']"
    click_widget "Draw Crop"
}

run_dark() {
    start_app dark
    step "dark: the editor from the strip, with the project"
    show_main
    snap "main-window-video-item-dark" "$main"
    xdotool mousemove $((mx + 90)) $((my + 110)) click 1
    place_editor
    wait_for "the timeline's pictures and sound to be drawn" strips_drawn
    page_shots dark
    row_menu 0 7 2
    wait_for "the rename sheet" has_window '^Rename Chapter$'
    sleep 0.5
    snap "rename-chapter-dark" "$(window_named '^Rename Chapter$')"
    xdotool key Escape
    wait_for "the rename sheet to close" no_window '^Rename Chapter$'
    export_to "Export Video" "Export Video" "$home/dark.mp4"
    wait_for "the progress sheet" has_sheet
    snap "export-video-progress-dark" "$(progress_sheet)" || true
    wait_export "the exported video" log_has '[VideoEditor] 匯出成功 (final): dark.mp4'
    [ -s "$home/dark.mp4" ] || fail "no $home/dark.mp4"
    close_editor

    step "dark: Ctrl+C on the recording in the strip copies its file"
    activate "$main"
    xdotool key ctrl+c
    wait_for "the file on the clipboard" sh -c "xclip -selection clipboard -t text/uri-list -o | tr -d '\\r' | grep -qx 'file://$clip'"
    step "dark: File > Export GIF... exports the recording chosen in the strip"
    file_menu "Export GIF..."
    # The GIF options come up over the editor at once and keep the focus.
    wait_window editor "the video editor" "$editor_title"
    local gif="$home/from-menu.gif"
    save_gif "$gif" dark
    close_to "$(ffprobe_duration "$gif")" "$(info_value "$project" "j['outputDuration']")" 0.2 ||
        fail "the GIF from the menu does not last as long as the edit"
    stop_app
}

# Everything the first session made, in the project file.
expect_project() { # WHAT
    project_says "j['effectiveCuts'] == [[2, 4]] and [s['speed'] for s in p['speedRegions']] == [2]
        and [round(s['startSec'], 2) for s in p['speedRegions']] == [6]
        and [c['title'] for c in j['chapters']][1] == 'Faster part' and j['chapters'][1]['startSec'] == 5
        and j['micMuted'] == [[0, 5]] and len(p['annotationRegions']) == 1
        and 'Look here' in json.dumps(p['annotationRegions'])
        and p['showBackground'] and p['backgroundPadding'] > 20" || fail "$1 lacks what was made"
}

# An export from the editor's toolbar, its save dialog answered with PATH.
export_to() { # BUTTON DIALOG-TITLE PATH
    activate "$editor"
    click_widget "$1"
    wait_for "the $2 dialog" has_window "^$2\$"
    activate "$(window_named "^$2\$")"
    xdotool key ctrl+a
    xdotool type --delay 10 "$3"
    wait_for "the $2 dialog to take the file" accept_dialog "^$2\$"
}
progress_sheet() { xdotool search --onlyvisible --name "$editor_title" 2>/dev/null | grep -v "^$editor\$" | head -1; }
has_sheet() { [ -n "$(progress_sheet)" ]; }
close_to() { # A B TOLERANCE: true when the numbers lie within the tolerance
    awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN { d = a - b; exit !(d <= t && -d <= t) }'
}
ffprobe_duration() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }
# The export mixes the tracks into one: the microphone is its 660 Hz tone, the system audio 440 Hz.
peak_db() { # FILE HERTZ START LENGTH: the loudest sample of that tone there, in dB
    ffmpeg -v info -ss "$3" -t "$4" -i "$1" -map 0:a:0 -af "bandpass=f=$2:width_type=h:w=40,volumedetect" \
        -f null - 2>&1 | sed -n 's/.*max_volume: \([-0-9.inf]*\) dB.*/\1/p'
}

# Exports take longer than a window takes to appear, the more so on a loaded machine.
wait_export() { # DESCRIPTION COMMAND...
    local saved=$wait_secs
    wait_secs=$((saved * 4))
    wait_for "$@"
    wait_secs=$saved
}

# The GIF options (shot, then taken as they are), the save dialog answered with PATH, the progress.
save_gif() { # PATH THEME
    wait_for "the GIF options" has_window '^Export as GIF$'
    sleep 0.5
    snap "gif-options-$2" "$(window_named '^Export as GIF$')"
    local options
    options=$(window_named '^Export as GIF$')
    activate "$options"
    xdotool key Return
    # The save dialog has the same title: another window.
    wait_for "the GIF's save dialog" sh -c "xdotool search --onlyvisible --name '^Export as GIF\$' | grep -vx '$options'"
    activate "$(xdotool search --onlyvisible --name '^Export as GIF$' | grep -vx "$options" | head -1)"
    xdotool key ctrl+a
    xdotool type --delay 10 "$1"
    wait_for "the GIF's save dialog to take the file" accept_dialog '^Export as GIF$'
    wait_for "the progress sheet" has_sheet
    snap "export-gif-progress-$2" "$(progress_sheet)" || true
    wait_export "the exported GIF" log_has "[MainWindowVM] GIF 匯出成功: $1"
}

# The Export page's frame rate, chosen from its list (a combo box is known by its current choice).
export_rate() { # CURRENT KEY
    inspector_tab 1
    click_widget "$1" "combo box"
    wait_for "the frame rates" keyboard_grabbed
    xdotool key "$2" Return
}

export_and_check() {
    step "an export cancelled from its progress sheet leaves no file"
    # At 60 fps the export has four times the recording's frames: time for the key to reach it.
    export_rate Original End
    local try
    for try in 1 2 3; do
        local cancels finished
        cancels=$(grep -acF '[VideoEditor] 匯出已取消 (' "$home/app.log" || true)
        finished=$(grep -acF '[VideoEditor] 匯出成功 (final): cancelled.mp4' "$home/app.log" || true)
        export_to "Export Video" "Export Video" "$home/cancelled.mp4"
        wait_for "the progress sheet" has_sheet
        activate "$(progress_sheet)"
        xdotool key Escape
        wait_for "the export to end" sh -c "[ \$(grep -acF '[VideoEditor] 匯出已取消 (' '$home/app.log') -gt $cancels ] ||
            [ \$(grep -acF '[VideoEditor] 匯出成功 (final): cancelled.mp4' '$home/app.log') -gt $finished ]"
        wait_for "the progress sheet to close" sh -c "! xdotool search --onlyvisible --name '$editor_title' | grep -vx '$editor'"
        [ "$(grep -acF '[VideoEditor] 匯出已取消 (' "$home/app.log" || true)" -gt "$cancels" ] && break
        # A fast machine can finish the export before the key arrives: that proves nothing, so again.
        step "the export finished before Escape reached it (try $try); again"
        rm -f "$home/cancelled.mp4"
        [ "$try" -lt 3 ] || fail "the export always finished before it could be cancelled"
    done
    [ ! -e "$home/cancelled.mp4" ] || fail "the cancelled export left $home/cancelled.mp4"
    export_rate "60 fps" Home

    step "Export Video..."
    local mp4="$home/edited.mp4" gif="$home/edited.gif" expected
    expected=$(info_value "$project" "j['outputDuration']")
    export_to "Export Video" "Export Video" "$mp4"
    wait_for "the progress sheet" has_sheet
    snap "export-video-progress-light" "$(progress_sheet)" || true
    # The cancel's tries may have logged a finished export already: this one's line names its file.
    wait_export "the exported video" log_has '[VideoEditor] 匯出成功 (final): edited.mp4'
    [ -s "$mp4" ] || fail "no $mp4"
    cp "$mp4" "$out/exported.mp4"
    local said probed
    said=$(info_value "$mp4" "j['duration']") || fail "mebo video info cannot read the export"
    probed=$(ffprobe_duration "$mp4") || fail "ffprobe cannot read the export"
    close_to "$said" "$expected" 0.1 || fail "mebo video info gives the export $said s, the project $expected s"
    close_to "$probed" "$expected" 0.1 || fail "ffprobe gives the export $probed s, the project $expected s"
    [ "$(ffprobe -v error -select_streams v:0 -show_entries stream=r_frame_rate -of csv=p=0 "$mp4")" = 15/1 ] ||
        fail "the export's frame rate is not the recording's 15 fps, the frame rate being Original again"
    # The microphone is silent where it was muted (its stretch on the output, as the project lays
    # it out) and sounds after it.
    local muted quiet loud
    muted=$(info_value "$project" "j['micMutedOutput'][0][0], j['micMutedOutput'][-1][1]" | tr -d '(),') ||
        fail "no muted stretch of the microphone in the project"
    read -r m0 m1 <<<"$muted"
    quiet=$(peak_db "$mp4" 660 "$(awk -v a="$m0" 'BEGIN { print a + 0.1 }')" "$(awk -v a="$m0" -v b="$m1" 'BEGIN { print b - a - 0.2 }')")
    loud=$(peak_db "$mp4" 660 "$(awk -v b="$m1" 'BEGIN { print b + 0.2 }')" 1)
    [ "$quiet" = -inf ] || awk -v q="$quiet" 'BEGIN { exit !(q < -60) }' || fail "the microphone sounds where it was muted ($quiet dB)"
    awk -v l="$loud" 'BEGIN { exit !(l > -40) }' || fail "the microphone is silent after its mute ($loud dB)"
    "$mebo" video info "$mp4" >"$out/exported-video-info.txt"

    step "Export as GIF..."
    activate "$editor"
    click_widget "Export as GIF"
    save_gif "$gif" light
    probed=$(ffprobe_duration "$gif")
    close_to "$probed" "$expected" 0.2 || fail "ffprobe gives the GIF $probed s, the project $expected s"
    local width
    width=$(ffprobe -v error -select_streams v:0 -show_entries stream=width -of csv=p=0 "$gif")
    [ "$width" -le 720 ] || fail "the GIF is $width pixels wide, more than 720"
}

start_app light
[ ! -e "$stale" ] || fail "the transient asset folder was not swept at start"
edit_once
export_and_check
stop_app
run_dark
step "passed; screenshots in $out"
