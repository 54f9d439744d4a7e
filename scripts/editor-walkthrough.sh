#!/usr/bin/env bash
# Drives the desktop application on a private test desktop as a user would, with xdotool, and
# checks what it leaves behind:
#   a full-screen capture opens in the editor; one layer of every tool is drawn on the canvas;
#   Ctrl+S writes the project (.mebo) and marks the library item; undo and redo; a second capture,
#   then back to the first (its layers come back from the project); Save As to /tmp (the PNG
#   equals `mebo doc render` of the project); Ctrl+C (the clipboard holds the PNG); text
#   recognition and Smart Redact on a capture with an e-mail address.
# Screenshots of the main window, every tool panel, the OCR window and the review sheet are
# written in the light and the dark appearance.
# Usage: scripts/editor-walkthrough.sh [OUTPUT-DIR] [MEBO-BINARY] [IMAGE-DIFF-BINARY]
#   OUTPUT-DIR defaults to ./walkthrough; the binaries to those of build-release (brought up to date).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "${1:-$root/walkthrough}" && cd "${1:-$root/walkthrough}" && pwd)"
if [ -n "${2:-}" ]; then
    mebo="$2"
    diff_tool="${3:?the image comparison tool is needed with an explicit binary}"
else
    mebo="$("$root/scripts/release-build.sh")"
    ninja -C "$root/build-release" mebo_image_diff >/dev/null
    diff_tool="$root/build-release/tests/mebo_image_diff"
fi

if [ -z "${MEBO_WALKTHROUGH_INSIDE:-}" ]; then
    export MEBO_WALKTHROUGH_INSIDE=1 MEBO_TEST_XTERMS=1
    exec "$root/tests/desktop/run-desktop.sh" "$0" "$out" "$mebo" "$diff_tool"
fi

# --- on the private desktop from here on ---
home="$(mktemp -d /tmp/mebo-walk-home.XXXXXX)"
app=""
cleanup() {
    # The trap runs under set -e: a helper that has already ended must not turn a passed run into
    # a failure.
    set +e
    [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    [ -n "${note:-}" ] && kill "$note" 2>/dev/null
    [ -n "${swatch:-}" ] && kill "$swatch" 2>/dev/null
    rm -rf "$home"
}
trap cleanup EXIT
# shellcheck source=scripts/walkthrough-steps.sh
source "$root/scripts/walkthrough-steps.sh"
private_home "$home"
touch "${MEBO_DESKTOP_DIR:-/nonexistent}/freeze" 2>/dev/null || true # the busy terminals stop

fail() {
    echo "walkthrough: FAILED: $*" >&2
    [ -f "$home/app.log" ] && tail -20 "$home/app.log" >&2
    [ -n "${project:-}" ] && [ -f "$project" ] && "$mebo" doc info "$project" | grep '^ *\[' >&2
    snap "failure" || true
    exit 1
}
step() { echo "walkthrough: $*"; }
# shellcheck source=scripts/snap.sh
source "$root/scripts/snap.sh"
project_of() { echo "${1%.png}.mebo"; }
layers_in() { # PROJECT: the number of layers it loads
    "$mebo" doc info "$1" | sed -n 's/^layers: *\([0-9]*\) loaded.*/\1/p'
}
newest_capture() { ls -t "$library"/*.png | head -1; }
count_captures() { find "$library" -maxdepth 1 -name '*.png' 2>/dev/null | wc -l; }

# Window geometry of the main window's client area, for the canvas coordinates below.
main_geometry() {
    eval "$(xdotool getwindowgeometry --shell "$main")"
    wx=$X wy=$Y ww=$WIDTH wh=$HEIGHT
}
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
focus_main() {
    is_active "$main" && return 0
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    wait_for "the main window to take the focus" is_active "$main"
}
key() { focus_main; xdotool key --clearmodifiers "$@"; }
# Ctrl+S, then waits until the project holds the expected number of layers (TEST's operator, e.g.
# -eq or -gt, against COUNT).
save_expecting() { # PROJECT TEST COUNT WHAT
    key ctrl+s
    wait_for "$4" sh -c "[ \"\$('$mebo' doc info '$1' | sed -n 's/^layers: *\([0-9]*\) loaded.*/\1/p')\" $2 $3 ]"
}

# Where the picture of the capture lies on the screen (px, py, pw, ph): a rectangle is dragged
# between two screen points, saved, and its bounds in the project (image pixels, grown by half
# its 4-pixel stroke) give the scale and the offset; then it is undone.
calibrate() { # PROJECT
    main_geometry
    local ax=$((wx + ww / 2 - 200)) ay=$((wy + wh / 2 - 120)) bx=$((wx + ww / 2 + 200)) by=$((wy + wh / 2 + 120))
    key r
    drag "$ax" "$ay" "$bx" "$by"
    key ctrl+s
    wait_for "the calibration project" test -s "$1"
    local b
    b=$("$mebo" doc info "$1" | sed -n 's/.* RectLayer  bounds \([-0-9.]*\),\([-0-9.]*\) \([0-9.]*\)x\([0-9.]*\).*/\1 \2 \3 \4/p' | tail -1)
    [ -n "$b" ] || fail "the calibration rectangle was not drawn"
    read -r px py pw ph < <(awk -v ax="$ax" -v ay="$ay" -v bx="$bx" -v by="$by" -v b="$b" 'BEGIN {
        split(b, r, " ")
        x1 = r[1] + 2; y1 = r[2] + 2; x2 = r[1] + r[3] - 2; y2 = r[2] + r[4] - 2
        sx = (bx - ax) / (x2 - x1); sy = (by - ay) / (y2 - y1)
        printf "%d %d %d %d\n", ax - x1 * sx, ay - y1 * sy, 1920 * sx, 1080 * sy }')
    key ctrl+z
    key ctrl+s
}
# Cell I of a 5 x 4 grid over the picture: its top-left (gx, gy) and size (gw, gh).
cell() {
    gw=$((pw / 5)) gh=$((ph / 4))
    gx=$((px + ($1 % 5) * gw)) gy=$((py + ($1 / 5) * gh))
}
click() { xdotool mousemove "$1" "$2" click 1; }

# Every tool gets a letter (the rest keep their default ones).
"$mebo" config set mebo.shortcutOverrides \
    '{"blur":"B","crop":"C","cutout":"X","polygon":"Y","simplify":"S","spotlight":"U"}' >/dev/null
"$mebo" config set mebo.firstLaunchSettingsShown true >/dev/null

# A terminal with a customer record: the capture's text, e-mail address included.
cat >"$home/record.txt" <<'EOF'
Customer record
Name:    Laura Bennett
E-mail:  laura.bennett@example.com
Order:   4471-2093
EOF
xsetroot -solid '#3d5a80' 2>/dev/null || true
xterm -T walkthrough-note -geometry 60x8+700+420 -fa 'DejaVu Sans Mono' -fs 16 -bg white -fg black \
    -e sh -c "cat '$home/record.txt'; exec sleep infinity" &
note=$!
wait_for "the note terminal" window_named '^walkthrough-note$'
# A plain yellow panel: the fill tool's region.
xterm -T walkthrough-swatch -geometry 20x4+1500+760 -bg '#f6d55c' -fg '#f6d55c' -e sleep infinity &
swatch=$!
wait_for "the swatch window" window_named '^walkthrough-swatch$'
eval "$(xdotool getwindowgeometry --shell "$(window_named '^walkthrough-swatch$')")"
swatch_x=$((X + WIDTH / 2)) swatch_y=$((Y + HEIGHT / 2))

capture() { # sets `captured` to the new capture's file once it is open in the editor, `main` to the window
    local before
    before=$(count_captures)
    "$mebo" 'mebo://capture?mode=fullscreen'
    wait_for "a new capture" sh -c "[ \$(find '$library' -maxdepth 1 -name '*.png' | wc -l) -gt $before ]"
    captured=$(newest_capture)
    wait_for "the capture in the editor" window_named "^$(basename "$captured") — Mebo\$"
    main=$(window_named "^$(basename "$captured") — Mebo\$")
    xdotool windowmove --sync "$main" 0 0 2>/dev/null || true
    xdotool windowsize --sync "$main" 1600 960 2>/dev/null || true
}

draw_every_tool() {
    local i=0 t
    # Drawn tools: a drag across their cell.
    for t in arrow:a line:l rect:r ellipse:o polygon:y pen:p highlighter:h mosaic:m blur:b simplify:s; do
        key "${t#*:}"
        cell $i
        if [ "${t%%:*}" = pen ]; then
            xdotool mousemove $((gx + 20)) $((gy + gh / 2)) mousedown 1
            local k
            for k in $(seq 1 12); do
                xdotool mousemove $((gx + 20 + k * (gw - 40) / 12)) $((gy + gh / 2 + (k % 2 ? -15 : 15)))
                sleep 0.02
            done
            xdotool mouseup 1
        else
            drag $((gx + 20)) $((gy + 20)) $((gx + gw - 20)) $((gy + gh - 20))
        fi
        i=$((i + 1))
    done
    # Clicked tools: one click in the cell; the fill goes into the yellow panel.
    for t in step:n stamp:i magnify:g; do
        key "${t#*:}"
        cell $i
        click $((gx + gw / 2)) $((gy + gh / 2))
        i=$((i + 1))
    done
    key f
    click $((px + swatch_x * pw / 1920)) $((py + swatch_y * ph / 1080))
    i=$((i + 1))
    # Text and callout: typed in place, Ctrl+Enter ends the edit.
    key t
    cell $i
    click $((gx + 20)) $((gy + gh / 3))
    xdotool type --delay 30 'Check this'
    xdotool key ctrl+Return
    i=$((i + 1))
    key k
    cell $i
    drag $((gx + 20)) $((gy + 10)) $((gx + gw - 10)) $((gy + gh / 2))
    xdotool type --delay 30 'Looks good'
    xdotool key ctrl+Return
    i=$((i + 1))
    key e
    cell $i
    drag $((gx + 10)) $((gy + gh / 2)) $((gx + gw - 10)) $((gy + gh / 2))
    key v Escape
}

expect_classes() { # PROJECT CLASS...
    local info
    info=$("$mebo" doc info "$1")
    shift
    local c
    for c in "$@"; do
        grep -q " $c " <<<"$info" || fail "no $c in the project"
    done
}

# Pictures of the canvas region must be the same before and after a round trip.
canvas_snapshot() { # NAME
    "$mebo" capture area --geometry "${pw}x${ph}+${px}+${py}" --save-dir "$shots" >"$home/last-shot"
    mv "$(cat "$home/last-shot")" "$home/$1.png"
}

# A screenshot of WINDOW once it shows something else than the previous one (a new panel, a new
# page), or as it is when nothing changed within a few seconds: the pictures are for people to
# look at, the walkthrough checks nothing in them.
last_shot=""
snap_changed() { # NAME WINDOW
    local i
    for i in $(seq 1 20); do
        snap "$1" "$2"
        [ -n "$last_shot" ] && "$diff_tool" "$last_shot" "$out/$1.png" >/dev/null 2>&1 || break
    done
    last_shot="$out/$1.png"
}

panel_shots() { # THEME: the main window with each tool's panel
    local t
    last_shot=""
    for t in v c a l r o y p h t k n i m b u g s f e x; do
        key "$t"
        snap_changed "panel-$t-$1" "$main"
    done
    key v
}

# Text recognition of the open capture: the OCR window, once it lists the recognised text (its
# Copy All puts it on the clipboard).
recognise_text() { # THEME
    key ctrl+shift+o
    wait_for "the OCR window" window_named '^OCR Text Recognition$'
    ocr=$(window_named '^OCR Text Recognition$')
    wait_for "recognised text" sh -c "xdotool windowactivate --sync $ocr && xdotool key ctrl+a ctrl+c &&
        xclip -selection clipboard -o >'$out/ocr-text.txt' && grep -q 'laura.bennett@exam' '$out/ocr-text.txt'"
    xdotool key ctrl+Home # the selection made for copying goes
    snap "ocr-window-$1" "$ocr"
    xdotool windowclose "$ocr" 2>/dev/null || xdotool key --window "$ocr" Escape
}

# Smart Redact of the open capture: the review sheet is shot as it is when its Apply button takes
# Ctrl+Enter (the button is disabled while the scan runs and when nothing is found), which closes it.
sheet_gone() { [ -z "$(xdotool search --onlyvisible --name '^Smart Redact$' 2>/dev/null)" ]; }
apply_review() {
    sheet_gone && return 0
    local f
    f=$("$mebo" capture window --window "$sheet" --save-dir "$shots") && mv "$f" "$home/sheet.png" || return 1
    xdotool windowactivate --sync "$sheet" && xdotool key ctrl+Return || return 1
    for _ in $(seq 1 40); do
        sheet_gone && return 0
        sleep 0.05
    done
    return 1
}
smart_redact() { # THEME
    key ctrl+shift+d
    wait_for "the review sheet" window_named '^Smart Redact$'
    sheet=$(window_named '^Smart Redact$')
    wait_for "the review to list what it found and take Apply" apply_review
    mv "$home/sheet.png" "$out/smart-redact-sheet-$1.png"
}

run_light() {
    start_app light
    step "capture, then one layer of every tool"
    capture
    first=$captured
    project=$(project_of "$first")
    snap "main-window-empty-capture-light" "$main"
    calibrate "$project"
    draw_every_tool
    snap "main-window-annotated-light" "$main"
    # The spotlight dims everything and the cut-out removes a strip: drawn last, then undone.
    key u
    cell 17
    drag $((gx + 20)) $((gy + 20)) $((gx + gw - 20)) $((gy + gh - 20))
    key x
    cell 18
    drag $((gx + gw / 2)) $((gy + gh / 3)) $((gx + gw / 2)) $((gy + gh / 2))
    snap "main-window-spotlight-cutout-light" "$main"

    step "Ctrl+S writes the project and marks the library item"
    save_expecting "$project" -ge 19 "a project with a layer of every tool"
    wait_for "the save log line" log_has "[MainWindowVM] save: $(basename "$project")"
    history=$("$mebo" history list --json | tr -d ' \n')
    grep -q "\"filename\":\"$(basename "$first")\",\"hasMeboSidecar\":true" <<<"$history" ||
        fail "the history entry does not record the project"
    drawn=$(layers_in "$project")
    expect_classes "$project" ArrowLayer LineLayer RectLayer EllipseLayer PolygonLayer PenLayer HighlighterLayer \
        MosaicLayer SimplifyLayer StepLayer StampLayer MagnifyLayer RegionFillLayer TextLayer CalloutLayer \
        EraserStrokeLayer SpotlightLayer CutOutLayer

    step "undo and redo"
    key ctrl+z
    key ctrl+z
    save_expecting "$project" -eq $((drawn - 2)) "undo to remove the last two layers"
    key ctrl+shift+z
    key ctrl+shift+z
    save_expecting "$project" -eq "$drawn" "redo to bring the layers back"
    key ctrl+z
    key ctrl+z
    save_expecting "$project" -eq $((drawn - 2)) "undo to remove the last two layers again"

    step "keys that are not letters keep the tool"
    key a
    for k in Right Left Up Down Escape Home End Prior Next F1 Return; do key "$k"; done
    cell 19
    drag $((gx + 10)) $((gy + 10)) $((gx + gw - 10)) $((gy + gh - 10))
    save_expecting "$project" -eq $((drawn - 1)) "the drag after keys that are not letters to add a layer"
    "$mebo" doc info "$project" | grep '^ *\[' | tail -1 | grep -q ' ArrowLayer ' ||
        fail "a key that is not a letter changed the tool"
    key ctrl+z
    save_expecting "$project" -eq $((drawn - 2)) "undo to remove that arrow"
    key v Escape
    canvas_snapshot before-switch

    step "a second capture, then back to the first"
    capture
    second=$captured
    [ "$second" != "$first" ] || fail "no second capture"
    key alt+Down
    wait_for "the first capture again" window_named "^$(basename "$first") — Mebo\$"
    wait_for "the project being read" log_has "[MainWindowVM] 從 .mebo 加載: $(basename "$project")"
    # The canvas is shot until it shows the layers as they were (drawing follows the loading).
    local differing end=$((SECONDS + wait_secs))
    until canvas_snapshot after-switch &&
        differing=$("$diff_tool" "$home/before-switch.png" "$home/after-switch.png"); do
        [ "$SECONDS" -lt "$end" ] || fail "the layers did not come back as they were ($differing pixels differ)"
    done

    step "Save As to /tmp exports the flattened picture"
    export_dir=$(mktemp -d /tmp/mebo-walk-export.XXXXXX)
    key ctrl+shift+s
    wait_for "the Save As dialog" window_named '^Save As$'
    dialog=$(window_named '^Save As$')
    wait_for "the Save As dialog to take the focus" is_active "$dialog"
    xdotool key ctrl+a
    xdotool type --delay 10 "$export_dir/annotated.png"
    xdotool key Return
    wait_for "the exported picture" test -s "$export_dir/annotated.png"
    wait_for "the Save As log line" log_has "[MainWindowVM] Save As (純導出) → $export_dir/annotated.png"
    "$mebo" doc render "$project" "$home/rendered.png" >/dev/null
    # The editor draws the layers in order on one painter; the command line lays each layer's own
    # picture over the base: anti-aliased edges may round one level apart, nothing more.
    "$diff_tool" "$export_dir/annotated.png" "$home/rendered.png" 1 >/dev/null ||
        fail "the exported PNG is not the project's rendering"
    # (grep -q would stop reading early; with pipefail the writer's broken pipe fails the check)
    info=$("$mebo" doc info "$project")
    grep -q "save target:   $export_dir/annotated.png" <<<"$info" || fail "no save target recorded"
    rm -rf "$export_dir"

    step "Ctrl+C copies the picture"
    key ctrl+c
    wait_for "the clipboard image" sh -c "xclip -selection clipboard -t image/png -o >'$home/clip.png'"
    "$diff_tool" "$home/clip.png" "$home/rendered.png" 1 >/dev/null || fail "the clipboard holds another picture"

    step "text recognition"
    recognise_text light

    step "Smart Redact covers the e-mail address"
    before_redact=$(layers_in "$project")
    smart_redact light
    save_expecting "$project" -gt "$before_redact" "Smart Redact to add a cover"
    snap "main-window-redacted-light" "$main"

    step "tool panels"
    panel_shots light
    stop_app
}

run_dark() {
    start_app dark
    capture
    calibrate "$(project_of "$captured")"
    draw_every_tool
    key v Escape
    snap "main-window-annotated-dark" "$main"
    panel_shots dark
    recognise_text dark
    smart_redact dark
    snap main-before-library "$main"
    last_shot="$out/main-before-library.png"
    key ctrl+shift+h
    snap_changed "library-dark" "$main"
    rm -f "$out/main-before-library.png"
    key ctrl+shift+h
    stop_app
}

run_light
run_dark
step "passed; screenshots in $out"
