#!/usr/bin/env bash
# Whole-process full-screen capture to a PNG file: `mebo capture fullscreen --save-dir DIR` against
# scrot, maim and ImageMagick's `import -window root`, on a private busy desktop (Xvfb, openbox,
# xterms printing all the time; tests/desktop/run-desktop.sh) at each screen size.
#
# Usage: bench/capture_compare.sh MEBO_BINARY [RUNS] [RESULTS_DIR]
#   RUNS          timed runs per tool and size (default 15, at least 10)
#   RESULTS_DIR   raw timings, the frozen screens' PNGs and the table (default: a new folder in /tmp)
# Environment:
#   MEBO_COMPARE_SIZES   screen sizes (default "1920x1080 3840x2160")
#   MEBO_COMPARE_XTERMS  busy terminals per screen (default: 5 at 1920x1080, 10 at 3840x2160)
#
# Timing: every run is one whole process, timed from fork to exit with bash's EPOCHREALTIME. The
# tools take turns within each round (the order rotates), so load from other processes on the
# machine falls on all of them alike. Times are taken while the terminals keep printing. Sizes are
# taken afterwards with the terminals frozen ("$MEBO_DESKTOP_DIR/freeze"), so every tool encodes
# the same pixels; the pixels of each tool's image are compared with ImageMagick's.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
self="$here/$(basename "${BASH_SOURCE[0]}")"
root=$(cd "$here/.." && pwd)

if [ "${1:-}" = "--inner" ]; then
    # Runs inside the test desktop: inner SIZE RUNS RESULTS_DIR MEBO_BINARY
    size=$2 runs=$3 out=$4 mebo=$5
    tools=(mebo scrot maim import)
    work=$(mktemp -d /tmp/mebo-compare.XXXXXX)
    # A private configuration and history for mebo; its captures go to --save-dir anyway.
    export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache"
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"

    # One capture with `tool`; its PNG ends up at "$work/$tool.png". Prints nothing.
    capture() {
        local tool=$1 dir
        rm -f "$work/$tool.png"
        case $tool in
        mebo)
            dir=$(mktemp -d "$work/save.XXXXXX")
            "$mebo" capture fullscreen --save-dir "$dir" >/dev/null 2>>"$work/mebo.err" || return 1
            ;;
        scrot) scrot -o -z "$work/scrot.png" || return 1 ;;
        maim) maim -u "$work/maim.png" || return 1 ;;
        import) import -window root "$work/import.png" || return 1 ;;
        esac
    }
    # Moves mebo's newest capture to "$work/mebo.png" (outside the timed part).
    collect_mebo() {
        local f
        f=$(ls -t "$work"/save.*/*.png 2>/dev/null | head -n 1)
        [ -n "$f" ] && mv "$f" "$work/mebo.png"
        rm -rf "$work"/save.*
    }

    for t in "${tools[@]}"; do # warm the page cache and the X server
        capture "$t" || { echo "capture_compare: $t failed (see $work/mebo.err)" >&2; exit 1; }
        [ "$t" = mebo ] && collect_mebo
    done
    : >"$out/times-$size.csv"
    for ((r = 0; r < runs; r++)); do
        for ((k = 0; k < ${#tools[@]}; k++)); do
            t=${tools[$(((k + r) % ${#tools[@]}))]}
            start=$EPOCHREALTIME
            capture "$t" || { echo "capture_compare: $t failed" >&2; exit 1; }
            end=$EPOCHREALTIME
            [ "$t" = mebo ] && collect_mebo
            awk -v t="$t" -v a="$start" -v b="$end" 'BEGIN { printf "%s,%.1f\n", t, (b - a) * 1000 }' \
                >>"$out/times-$size.csv"
        done
    done

    touch "$MEBO_DESKTOP_DIR/freeze"
    sleep 1.5 # the terminals finish the listing they are printing
    : >"$out/sizes-$size.csv"
    for t in "${tools[@]}"; do
        capture "$t" || exit 1
        [ "$t" = mebo ] && collect_mebo
        cp "$work/$t.png" "$out/frozen-$size-$t.png"
        bytes=$(stat -c %s "$work/$t.png")
        diff=$(compare -metric AE "$work/$t.png" "$work/import.png" null: 2>&1 >/dev/null)
        echo "$t,$bytes,$diff" >>"$out/sizes-$size.csv"
    done
    rm -f "$MEBO_DESKTOP_DIR/freeze"
    rm -rf "$work"
    exit 0
fi

mebo=${1:?usage: capture_compare.sh MEBO_BINARY [RUNS] [RESULTS_DIR]}
mebo=$(cd "$(dirname "$mebo")" && pwd)/$(basename "$mebo")
runs=${2:-15}
out=${3:-$(mktemp -d /tmp/mebo-capture-compare.XXXXXX)}
[ "$runs" -ge 10 ] || { echo "capture_compare: at least 10 runs" >&2; exit 2; }
"$mebo" capture --help >/dev/null 2>&1 || { echo "capture_compare: $mebo has no capture command" >&2; exit 2; }
for tool in scrot maim import compare Xvfb openbox xterm; do
    command -v "$tool" >/dev/null || { echo "capture_compare: $tool missing (MEBO_SETUP_BENCH=1 scripts/setup.sh)" >&2; exit 2; }
done
mkdir -p "$out"

# median, min and max of the numbers on standard input
stats() { sort -n | awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f %.1f %.1f", m, v[1], v[NR] }'; }

status=0
{
    echo "# Full-screen capture to PNG, whole process ($(date -u '+%Y-%m-%d %H:%M UTC'))"
    echo "# $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(nproc) cores; $runs runs per tool, busy screen"
} | tee "$out/table.txt"
for size in ${MEBO_COMPARE_SIZES:-1920x1080 3840x2160}; do
    default_xterms=5
    [ "${size%%x*}" -ge 3000 ] && default_xterms=10
    MEBO_TEST_SCREEN="${size}x24" MEBO_TEST_XTERMS="${MEBO_COMPARE_XTERMS:-$default_xterms}" \
        "$root/tests/desktop/run-desktop.sh" "$self" --inner "$size" "$runs" "$out" "$mebo" || exit 1

    smallest=$(grep -v '^mebo,' "$out/sizes-$size.csv" | cut -d, -f2 | sort -n | head -n 1)
    {
        echo
        echo "$size ($(grep -c . "$out/times-$size.csv") runs in all)"
        printf '%-8s %10s %10s %10s %12s %8s %14s\n' tool "median ms" "min ms" "max ms" "PNG bytes" "size" "px != import"
    } | tee -a "$out/table.txt"
    fastest_peer=""
    for t in mebo scrot maim import; do
        read -r med min max < <(grep "^$t," "$out/times-$size.csv" | cut -d, -f2 | stats)
        IFS=, read -r _ bytes diff < <(grep "^$t," "$out/sizes-$size.csv")
        rel=$(awk -v b="$bytes" -v s="$smallest" 'BEGIN { printf "%.2fx", b / s }')
        printf '%-8s %10s %10s %10s %12s %8s %14s\n' "$t" "$med" "$min" "$max" "$bytes" "$rel" "$diff" | tee -a "$out/table.txt"
        if [ "$t" = mebo ]; then
            mebo_med=$med mebo_bytes=$bytes
        elif [ -z "$fastest_peer" ] || awk -v a="$med" -v b="$fastest_med" 'BEGIN { exit !(a < b) }'; then
            fastest_peer=$t fastest_med=$med
        fi
    done
    verdict=$(awk -v m="$mebo_med" -v f="$fastest_med" -v mb="$mebo_bytes" -v s="$smallest" 'BEGIN {
        ok = m < f && mb <= 1.25 * s
        printf "%s: mebo median %.1f ms vs fastest peer %.1f ms (%.2fx); size %.2fx the smallest peer PNG (limit 1.25x)",
            ok ? "PASS" : "FAIL", m, f, m / f, mb / s; exit !ok }') || status=1
    echo "$verdict (fastest peer: $fastest_peer)" | tee -a "$out/table.txt"
done
echo
echo "Results in $out (times-*.csv, sizes-*.csv, frozen-*.png, table.txt)"
echo "Encoder alone on these screens: MEBO_BENCH_SCREENS=\$(ls $out/frozen-*-import.png | paste -sd:) png_writer_bench"
exit $status
