#!/usr/bin/env bash
# MP4 export: `mebo video export` against the equivalent ffmpeg filter graph (trim, setpts, atempo,
# concat, scale, libx264 veryfast, AAC), in the same run, on the same generated recording:
#   plain      a cut, a 2x speed region, 720p output
#   composite  the same with a background, padding, rounded corners, a shadow and a cursor trail
#   short      the plain edit on a third of the source (memory must not depend on the length)
# Reports wall time, CPU time (user + system) and peak memory (max RSS) of each run.
#
# Usage: bench/export_compare.sh MEBO_BINARY [SECONDS] [RESULTS_DIR]   (default 60 s of 1080p30)
set -euo pipefail

mebo=$(readlink -f "${1:?usage: export_compare.sh MEBO_BINARY [SECONDS] [RESULTS_DIR]}")
secs=${2:-60}
out=${3:-$(mktemp -d /tmp/mebo-export-compare.XXXXXX)}
mkdir -p "$out"
src="$out/rec.mp4"

if [ ! -s "$src" ]; then
  echo "making a ${secs} s 1920x1080 30 fps source with two audio tracks..." >&2
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=$secs" \
    -f lavfi -i "sine=frequency=440:duration=$secs" -f lavfi -i "sine=frequency=1320:duration=$secs" \
    -map 0 -map 1 -map 2 -c:v libx264 -preset veryfast -crf 23 -pix_fmt yuv420p -c:a aac \
    -metadata:s:a:0 handler_name=System -metadata:s:a:1 handler_name=Microphone "$src"
fi
# The pointer circles the screen, 30 samples a second.
python3 - "$out/rec.cursor.json" "$secs" <<'PY'
import json, math, sys
n = int(float(sys.argv[2]) * 30)
pts = [{"t": int(i * 1000 / 30), "cx": 0.5 + 0.3 * math.cos(i / 20), "cy": 0.5 + 0.3 * math.sin(i / 20)} for i in range(n)]
open(sys.argv[1], "w").write(json.dumps({"v": 2, "points": pts, "clicks": []}, separators=(",", ":")))
PY

cut_a=$(python3 -c "print($secs/6)"); cut_b=$(python3 -c "print($secs/4)")
fast_a=$(python3 -c "print($secs/2)"); fast_b=$(python3 -c "print($secs*2/3)")
edit="\"trimRegions\":[{\"id\":\"0E2B0B1C-0000-4000-8000-000000000001\",\"startSec\":$cut_a,\"endSec\":$cut_b}],
\"speedRegions\":[{\"id\":\"0E2B0B1C-0000-4000-8000-000000000002\",\"startSec\":$fast_a,\"endSec\":$fast_b,\"speed\":2}],
\"exportResolutionHeight\":720"
echo "{\"version\":1,$edit}" > "$out/plain.mebo-video"
echo "{\"version\":1,$edit,\"showBackground\":true,\"backgroundColorRGBA\":[0.15,0.2,0.3,1],\"backgroundPadding\":60,
\"backgroundCornerRadius\":24,\"showShadow\":true,\"shadowIntensity\":0.6,\"showCursorTrail\":true,
\"sourceFileName\":\"rec.mp4\"}" > "$out/composite.mebo-video"
cp "$out/rec.cursor.json" "$out/plain.cursor.json" 2>/dev/null || true
ln -sf rec.mp4 "$out/plain.mp4"
ln -sf rec.mp4 "$out/composite.mp4"
# The short run keeps the first third only.
third=$(python3 -c "print($secs/3)")
echo "{\"version\":1,\"trimRegions\":[{\"id\":\"0E2B0B1C-0000-4000-8000-000000000003\",\"startSec\":$third,\"endSec\":$secs}],
\"exportResolutionHeight\":720,\"sourceFileName\":\"rec.mp4\"}" > "$out/short.mebo-video"

graph="[0:v]split=4[v0][v1][v2][v3];[0:a:0]asplit=4[a0][a1][a2][a3];
[v0]trim=0:$cut_a,setpts=PTS-STARTPTS[w0];[v1]trim=$cut_b:$fast_a,setpts=PTS-STARTPTS[w1];
[v2]trim=$fast_a:$fast_b,setpts=(PTS-STARTPTS)/2[w2];[v3]trim=$fast_b:$secs,setpts=PTS-STARTPTS[w3];
[a0]atrim=0:$cut_a,asetpts=PTS-STARTPTS[b0];[a1]atrim=$cut_b:$fast_a,asetpts=PTS-STARTPTS[b1];
[a2]atrim=$fast_a:$fast_b,asetpts=PTS-STARTPTS,atempo=2[b2];[a3]atrim=$fast_b:$secs,asetpts=PTS-STARTPTS[b3];
[w0][b0][w1][b1][w2][b2][w3][b3]concat=n=4:v=1:a=1[v][a];[v]fps=30,scale=-2:720[vo]"

measure() { # name, command...
  local name=$1; shift
  /usr/bin/time -f "%e %U %S %M" -o "$out/$name.time" "$@" >/dev/null 2>"$out/$name.log" || { echo "$name failed: $(tail -3 "$out/$name.log")" >&2; return 1; }
  read -r wall user sys rss < "$out/$name.time"
  printf "%-22s wall %6.2f s  cpu %6.2f s  max RSS %5d MB\n" "$name" "$wall" "$(python3 -c "print($user+$sys)")" "$((rss / 1024))"
}

echo "source: ${secs} s 1920x1080 30 fps, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
measure "ffmpeg filter graph" ffmpeg -v error -y -i "$src" -filter_complex "$graph" -map "[vo]" -map "[a]" \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac "$out/ffmpeg.mp4"
measure "mebo plain" "$mebo" video export "$out/plain.mebo-video" -o "$out/plain-out.mp4"
measure "mebo composite" "$mebo" video export "$out/composite.mebo-video" -o "$out/composite-out.mp4"
measure "mebo short (a third)" "$mebo" video export "$out/short.mebo-video" -o "$out/short-out.mp4"
for f in ffmpeg plain-out composite-out; do
  printf "%-22s %s\n" "$f.mp4" "$(ffprobe -v error -show_entries format=duration:stream=width,height -of csv=p=0 "$out/$f.mp4" | tr '\n' ' ')"
done
echo "results in $out"
