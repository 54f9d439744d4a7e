#!/usr/bin/env bash
# Whole-process screen recording: `mebo record` against `ffmpeg -f x11grab -f pulse` with libx264
# at veryfast and at ultrafast, in the same run, on a private desktop (Xvfb, openbox, a private
# PulseAudio server), for each kind of screen:
#   static   nothing moves
#   typing   terminals printing (typical screen work: text scrolling)
#   video    a full-screen video playing at 30 fps (ffplay of a testsrc2 clip)
#   painter  the recorder's test picture (tests/tools/frame_painter.cpp) in the top-left quarter
#            of the screen, painting its frame index 30 times a second, over typing terminals
# Reports each tool's CPU (user + system, % of one core, from /proc/PID/stat over the run), the
# frames it wrote per second of wall time, and for the painter scene the painted frames missing
# from the file (dropped) and the frames that show the same index as the one before (repeated),
# read back from the file's pixels, and for the video scene the picture's SSIM against the played
# clip and the video bit rate each tool reached. Every tool records the same screen for the same
# time, at 30 fps, with the same average bit rate (the recorder's own formula for that size). The
# load average when each tool starts is printed beside it: the figures mean little on a busy
# machine.
#
# Usage: bench/record_compare.sh MEBO_BINARY [SECONDS] [RESULTS_DIR]
# Environment: MEBO_COMPARE_SIZES (default "1920x1080 3840x2160"), MEBO_COMPARE_SCENES
# (default "static typing video painter"), MEBO_FRAME_PAINTER (default: the build's
# tests/mebo_frame_painter beside the binary's folder).
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
mebo=$(readlink -f "${1:?usage: record_compare.sh MEBO_BINARY [SECONDS] [RESULTS_DIR]}")
secs=${2:-10}
out=${3:-$(mktemp -d /tmp/mebo-record-compare.XXXXXX)}
mkdir -p "$out"
sizes=${MEBO_COMPARE_SIZES:-"1920x1080 3840x2160"}
scenes=${MEBO_COMPARE_SCENES:-"static typing video painter"}
painter=${MEBO_FRAME_PAINTER:-$(dirname "$mebo")/../tests/mebo_frame_painter}

pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done; }
trap cleanup EXIT

# CPU seconds (user + system) of a running process, all its threads.
cpu_of() { awk '{print ($14 + $15) / 100}' "/proc/$1/stat" 2>/dev/null; }

bitrate_for() { # the recorder's formula: 30 fps, quality high
    local w=$1 h=$2 px=$(($1 * $2)) base
    if [ "$px" -lt 3700000 ]; then base=18000000; elif [ "$px" -lt 8300000 ]; then base=28000000; else base=45000000; fi
    echo $((base * 85 / 100))
}

# Painted frames missing from a recording of the painter scene and frames repeating the index of
# the one before, from the index blocks across the top of the painter's window (pw x ph at 0,0).
painter_stats() { # file pw ph -> prints "dropped repeated"
    ffmpeg -v error -i "$1" -fps_mode passthrough -vf "crop=$2:$(($3 / 6)):0:0,scale=16:1:flags=area,format=gray" \
        -f rawvideo - 2>/dev/null | python3 -c '
import sys
d = sys.stdin.buffer.read()
idx = [sum(1 << b for b in range(16) if d[i * 16 + b] > 128) for i in range(len(d) // 16)]
idx = [i for i in idx if i != 0xffff]  # the painter before its first frame
drop = sum(max(0, b - a - 1) for a, b in zip(idx, idx[1:]))
rep = sum(1 for a, b in zip(idx, idx[1:]) if a == b)
print(drop, rep)'
}

# Picture quality of a recording of the video scene: SSIM against the played clip. The player's
# position is found from the frame in the middle of the recording (against every clip frame, small
# and grey); then each frame of the steady part (2 s to 1 s before the end, at 30 fps) is compared
# with the clip frames within 3 of where the player should be, and the best match counts (the
# player shows whole clip frames, and the moment of each grab decides which one).
video_ssim() { # file clip -> prints the mean SSIM
    local file=$1 clip=$2 tmp mid n o d
    tmp=$(mktemp -d)
    mid=$((secs / 2))
    ffmpeg -v error -ss "$mid" -i "$file" -frames:v 1 -vf scale=320:180,format=gray "$tmp/mid.png"
    ffmpeg -v error -i "$clip" -loop 1 -i "$tmp/mid.png" \
        -lavfi "[0:v]scale=320:180,format=gray[c];[c][1:v]ssim=shortest=1:stats_file=$tmp/find.log" -f null - 2>/dev/null
    n=$(awk '{split($0, a, "All:"); split(a[2], b, " "); print b[1], NR - 1}' "$tmp/find.log" | sort -rn | head -1 | cut -d' ' -f2)
    o=$((n - mid * 30 + 60))
    [ "$o" -lt 3 ] && o=$((o + $(ffprobe -v error -count_packets -select_streams v -show_entries stream=nb_read_packets -of csv=p=0 "$clip")))
    for d in -3 -2 -1 0 1 2 3; do
        ffmpeg -v error -i "$file" -stream_loop 1 -i "$clip" -lavfi "[0:v]fps=30,trim=start_frame=60:end_frame=$(((secs - 1) * 30)),setpts=PTS-STARTPTS[r];[1:v]trim=start_frame=$((o + d)),setpts=PTS-STARTPTS[c];[r][c]ssim=shortest=1:stats_file=$tmp/s$((d + 3)).log" -f null - &
    done
    wait
    paste -d' ' "$tmp"/s?.log | awk '{ m = 0; for (i = 1; i <= NF; i++) if ($i ~ /^All:/) { v = substr($i, 5) + 0; if (v > m) m = v }; s += m; c++ }
        END { if (c) printf "%.4f", s / c; else printf "-" }'
    rm -rf "$tmp"
}

run_tool() { # tool size scene -> prints "cpu% fps dropped repeated load"
    local tool=$1 w=${2%x*} h=${2#*x} file="$out/$1-$2-$3.mp4" pid start end cpu frames
    rm -f "$file"
    local load
    load=$(cut -d' ' -f1 /proc/loadavg)
    case $tool in
    mebo)
        "$mebo" record fullscreen --duration "$secs" --fps 30 --save-dir "$out/mebo-save" --json >"$out/$tool-$2-$3.json" 2>>"$out/errors.log" &
        pid=$!
        ;;
    ffmpeg-*)
        ffmpeg -v error -y -f x11grab -framerate 30 -video_size "$2" -draw_mouse 1 -i "$DISPLAY" \
            -f pulse -i "$monitor" -c:v libx264 -preset "${tool#ffmpeg-}" -b:v "$(bitrate_for "$w" "$h")" -g 60 \
            -pix_fmt yuv420p -c:a aac -b:a 192k -t "$secs" "$file" 2>>"$out/errors.log" &
        pid=$!
        ;;
    esac
    # Steady state: CPU between 2 s after the start and 1 s before the end, so start-up (encoder
    # set-up, module loading) and the stop (finishing the file) are left out for every tool.
    sleep 2
    local c1 t1 c2 t2
    c1=$(cpu_of "$pid"); t1=$(date +%s.%N)
    sleep "$((secs - 3))"
    c2=$(cpu_of "$pid"); t2=$(date +%s.%N)
    wait "$pid"
    [ "$tool" = mebo ] && file=$(sed -n 's/.*"path":"\([^"]*\)".*/\1/p' "$out/$tool-$2-$3.json")
    frames=$(ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$file" 2>/dev/null)
    local stats="- -" ssim=- mbits
    [ "$3" = painter ] && stats=$(painter_stats "$file" "$((w / 2))" "$((h / 2))")
    [ "$3" = video ] && ssim=$(video_ssim "$file" "$clip")
    mbits=$(ffprobe -v error -select_streams v -show_entries stream=bit_rate -of csv=p=0 "$file" | awk '{ printf "%.1f", $1 / 1e6 }')
    awk -v a="$c1" -v b="$c2" -v ta="$t1" -v tb="$t2" -v s="$secs" -v f="${frames:-0}" \
        -v st="$stats" -v l="$load" -v q="$ssim" -v mb="$mbits" \
        'BEGIN { printf "%.1f %.1f %s %s %s %s", 100 * (b - a) / (tb - ta), f / s, st, q, mb, l }'
}

echo "| size | scene | tool | CPU (% of a core) | frames/s | dropped | repeated | SSIM | Mbit/s | load |" | tee "$out/table.md"
echo "|---|---|---|---|---|---|---|---|---|---|" | tee -a "$out/table.md"
for size in $sizes; do
    n=$(for i in $(seq 150 400); do [ -e "/tmp/.X$i-lock" ] || { echo "$i"; break; }; done)
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp -noreset >/dev/null 2>&1 & pids+=($!)
    export DISPLAY=":$n"
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
    openbox --sm-disable >/dev/null 2>&1 & pids+=($!)
    export XDG_RUNTIME_DIR=$(mktemp -d /tmp/mebo-rc-run.XXXXXX)
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no "--load=module-null-sink sink_name=benchsink" \
        "--load=module-native-protocol-unix auth-anonymous=1 socket=$XDG_RUNTIME_DIR/native" >/dev/null 2>&1 & pids+=($!)
    export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/native"
    for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.05; done
    monitor=benchsink.monitor
    w=${size%x*} h=${size#*x}
    clip="$out/clip-$size.mp4"
    [ -f "$clip" ] || ffmpeg -v error -y -f lavfi -i "testsrc2=s=${w}x${h}:r=30:d=$((secs + 20))" -f lavfi \
        -i "sine=f=440:d=$((secs + 20))" -c:v libx264 -preset ultrafast -crf 18 -c:a aac "$clip"
    for scene in $scenes; do
        scene_pids=()
        case $scene in
        typing)
            for i in 1 2 3 4; do
                xterm -geometry "100x50+$(((i - 1) * (w / 4)))+0" -e sh -c 'while :; do ls -la /usr/bin | head -60; sleep 0.05; done' >/dev/null 2>&1 &
                scene_pids+=($!)
            done
            ;;
        painter)
            for i in 3 4; do
                xterm -geometry "100x50+$(((i - 1) * (w / 4)))+0" -e sh -c 'while :; do ls -la /usr/bin | head -60; sleep 0.05; done' >/dev/null 2>&1 &
                scene_pids+=($!)
            done
            # Painting until the scene ends (stopped with the terminals).
            "$painter" "$((w / 2))x$((h / 2))+0+0" 30 1800 "$out/painter-$size.log" >"$out/painter-ready" 2>>"$out/errors.log" &
            scene_pids+=($!)
            for _ in $(seq 200); do grep -q ready "$out/painter-ready" && break; sleep 0.05; done
            ;;
        video)
            SDL_AUDIODRIVER=pulseaudio ffplay -v error -nostats -noborder -left 0 -top 0 -x "$w" -y "$h" -loop 0 "$clip" >/dev/null 2>&1 &
            scene_pids+=($!)
            ;;
        esac
        # The player needs a few seconds before it keeps its pace.
        if [ "$scene" = video ]; then sleep 6; else sleep 2; fi
        for tool in mebo ffmpeg-veryfast ffmpeg-ultrafast; do
            read -r cpu fps dropped repeated ssim mbits load < <(run_tool "$tool" "$size" "$scene")
            echo "| $size | $scene | $tool | $cpu | $fps | $dropped | $repeated | $ssim | $mbits | $load |" | tee -a "$out/table.md"
        done
        for p in "${scene_pids[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
    done
    cleanup
    pids=()
done
echo "results: $out"
