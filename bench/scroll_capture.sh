#!/usr/bin/env bash
# Whole scroll captures of long pages in Chromium on a private desktop (1920x1080): the wall time
# of `mebo capture scroll --geometry` over the page area, from the command's start to its exit
# (the image written and entered into the library), and the size of the result.
# Usage: bench/scroll_capture.sh [BUILD_DIR] [SCREENS...]   (default: build, 10 screens)
# MEBO_BENCH_LOG=FILE also appends the execution log of each capture to FILE (where the time goes).
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ -z "${MEBO_BENCH_INNER:-}" ]; then
    MEBO_TEST_A11Y=1 MEBO_TEST_XTERMS=0 MEBO_TEST_TRAY=0 MEBO_BENCH_INNER=1 \
        exec "$root/tests/desktop/run-desktop.sh" "$0" "$@"
fi
build="${1:-$root/build}"
shift || true
screens=("${@:-10}")
mebo="$build/src/mebo"
work=$(mktemp -d /tmp/mebo-scroll-bench.XXXXXX)
browser=
trap '[ -n "$browser" ] && kill $browser 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT

facts() { # the page's own report in the window title, once the page has loaded
    for _ in $(seq 1 600); do
        for w in $(xdotool search --name "mebo-scroll-test" 2>/dev/null); do
            t=$(xdotool getwindowname "$w")
            case "$t" in *"page="*) echo "$w $t"; return 0 ;; esac
        done
        sleep 0.2
    done
    return 1
}

printf '%-8s %-10s %-8s %-12s %s\n' screens page_px frames image seconds
for n in "${screens[@]}"; do
    # Sections of about 460 rows: as many as fill n screens of the page area. A browser of its
    # own per page, so that the page is loaded and at its top when the capture starts.
    chromium --no-sandbox --test-type --user-data-dir="$work/profile-$n" --disable-gpu --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --window-position=0,0 --window-size=1920,1080 \
        "file://$root/tests/data/scroll/prose.html?sections=$((n * 21 / 10))" >/dev/null 2>&1 &
    browser=$!
    read -r w title < <(facts) || { echo "no browser window" >&2; exit 1; }
    sleep 2
    title=$(xdotool getwindowname "$w")
    top=$(sed -E 's/.*top=([0-9]+).*/\1/' <<<"$title")
    left=$(sed -E 's/.*left=([0-9]+).*/\1/' <<<"$title")
    width=$(sed -E 's/.*width=([0-9]+).*/\1/' <<<"$title")
    height=$(sed -E 's/.*height=([0-9]+).*/\1/' <<<"$title")
    page=$(sed -E 's/.*page=([0-9]+).*/\1/' <<<"$title")
    xdotool windowactivate --sync "$w" >/dev/null 2>&1
    start=$(date +%s.%N)
    out=$("$mebo" capture scroll --geometry "${width}x${height}+${left}+${top}" --save-dir "$work/shots" --json \
        ${MEBO_BENCH_LOG:+--verbose} 2>>"${MEBO_BENCH_LOG:-/dev/null}")
    end=$(date +%s.%N)
    frames=$(sed -E 's/.*"frames":([0-9]+).*/\1/' <<<"$out")
    size=$(sed -E 's/.*"height":([0-9]+).*"width":([0-9]+).*/\2x\1/' <<<"$out")
    printf '%-8s %-10s %-8s %-12s %.2f\n' "$((page / height))" "$page" "$frames" "$size" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')"
    kill $browser 2>/dev/null
    wait $browser 2>/dev/null
    browser=
done
