#!/usr/bin/env bash
# Start-up time of the desktop application: from the launch of the process to the tray menu
# being installed ("[MenuBar] 完整菜單已安裝" in the log, whose millisecond time stamp is
# compared with the launch time). Runs on a private test desktop (Xvfb, openbox, a tray) with
# a fresh home per run, one warm-up run first, then RUNS measured runs (default 10).
# Usage: bench/startup.sh [MEBO-BINARY]   (default: build-release/src/mebo, brought up to date)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mebo="${1:-$("$root/scripts/release-build.sh")}"
runs="${RUNS:-10}"
if [ -z "${MEBO_BENCH_INSIDE:-}" ]; then
    export MEBO_BENCH_INSIDE=1 MEBO_TEST_XTERMS=1
    exec "$root/tests/desktop/run-desktop.sh" "$0" "$mebo"
fi

one_run() { # prints the milliseconds from launch to the tray being ready
    local home log start line stamp ready
    home="$(mktemp -d /tmp/mebo-startup.XXXXXX)"
    mkdir -p -m 700 "$home/run"
    log="$home/app.log"
    start=$(date +%s%3N)
    HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache" \
        XDG_RUNTIME_DIR="$home/run" "$mebo" --background >"$log" 2>&1 &
    local pid=$!
    for _ in $(seq 1 400); do
        line=$(grep -m1 '\[MenuBar\] 完整菜單已安裝' "$log" 2>/dev/null || true)
        [ -n "$line" ] && break
        sleep 0.01
    done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null || true
    grep -q 'no system tray' "$log" && echo "startup: warning: no tray was found" >&2
    rm -rf "$home"
    [ -n "$line" ] || { echo "startup: the tray was not ready within 4 s" >&2; return 1; }
    # "[MM/dd HH:mm:ss.SSS] ..." -> epoch milliseconds (today's date).
    stamp=$(echo "$line" | sed -E 's/^\[[0-9]{2}\/[0-9]{2} ([0-9:]{8})\.([0-9]{3})\].*/\1 \2/')
    ready=$(( $(date -d "$(date +%F) ${stamp% *}" +%s) * 1000 + 10#${stamp#* } ))
    echo $(( ready - start ))
}

one_run >/dev/null # warm-up: the file cache, fontconfig's cache
times=()
for i in $(seq 1 "$runs"); do
    t=$(one_run)
    times+=("$t")
    echo "run $i: $t ms"
done
printf '%s\n' "${times[@]}" | sort -n | awk '
    { v[NR] = $1; sum += $1 }
    END {
        median = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "startup to tray ready over %d runs: median %d ms, mean %.0f ms, min %d ms, max %d ms\n", NR, median, sum / NR, v[1], v[NR]
    }'
