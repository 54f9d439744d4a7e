#!/usr/bin/env bash
# CPU time of a whole-process full-screen capture (`perf stat -e task-clock,page-faults`), the
# figure that carries on a loaded machine, where wall times are mostly waiting for a core:
# `mebo capture fullscreen` through the launcher (the quick path), the full program beside the
# modules run directly (the same command without the launcher), and `scrot -o -z`, interleaved
# on a private busy 1080p desktop (tests/desktop/run-desktop.sh, 5 printing xterms). Also the
# programs' start alone (`--version`; the launcher with the full program replaced by /bin/true).
#
# Usage: bench/capture_cpu.sh MEBO_BINARY [RUNS]   (RUNS per command, default 15)
# MEBO_BINARY is the launcher (build/src/mebo); the full program is MEBO_BINARY/../../lib/mebo/mebo-full.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
self="$here/$(basename "${BASH_SOURCE[0]}")"
root=$(cd "$here/.." && pwd)

median() { sort -n | awk '{a[NR] = $1} END {print (NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2)}'; }

if [ "${1:-}" = "--inner" ]; then
    mebo=$2 runs=$3
    full="$(cd "$(dirname "$mebo")/.." && pwd)/lib/mebo/mebo-full"
    work=$(mktemp -d /tmp/mebo-capture-cpu.XXXXXX)
    export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$work/quick" "$work/full"
    names=(quick full scrot launcher-start full-start scrot-start)
    cmds=("$mebo capture fullscreen --save-dir $work/quick"
        "$full capture fullscreen --save-dir $work/full"
        "scrot -o -z $work/scrot.png"
        "env MEBO_FULL_PROGRAM=/bin/true $mebo --version"
        "$full --version"
        "scrot --version")
    for ((r = 0; r < runs; r++)); do
        for i in "${!names[@]}"; do
            # shellcheck disable=SC2086 # the commands are word lists
            perf stat -x, -e task-clock,page-faults ${cmds[$i]} >/dev/null 2>>"$work/${names[$i]}.perf" ||
                { echo "capture_cpu: ${names[$i]} failed: $(tail -n 3 "$work/${names[$i]}.perf")" >&2; exit 1; }
        done
    done
    printf '%-16s %14s %12s\n' command task-clock-ms page-faults
    for n in "${names[@]}"; do
        printf '%-16s %14s %12s\n' "$n" "$(grep task-clock "$work/$n.perf" | cut -d, -f1 | median)" \
            "$(grep page-faults "$work/$n.perf" | cut -d, -f1 | median)"
    done
    rm -rf "$work"
    exit 0
fi

[ $# -ge 1 ] || { sed -n '2,11p' "$self" >&2; exit 2; }
mebo=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
echo "# capture CPU, $(date -u '+%Y-%m-%d %H:%M UTC'), load $(cut -d' ' -f1-3 /proc/loadavg), ${2:-15} runs each"
MEBO_TEST_XTERMS=5 "$root/tests/desktop/run-desktop.sh" "$self" --inner "$mebo" "${2:-15}"
echo "# load after: $(cut -d' ' -f1-3 /proc/loadavg)"
