#!/usr/bin/env bash
# GIF export: `mebo video gif` against ffmpeg's best palette pipeline (palettegen stats_mode=full +
# paletteuse dither=none, and the default sierra2_4a dither for reference), in the same run, on a
# real 10 s 1280x720 screen recording made here: terminals printing text and a pointer moving on a
# private Xvfb desktop, grabbed by ffmpeg's x11grab. Each GIF is 15 fps at full size. Reports wall
# and CPU time, peak memory, file size and SSIM against the source frames: GIF frame i against the
# source's frame at i / 15 s (paired by index: a GIF's delays are whole hundredths, so pairing by
# time would compare every third frame with the one before it), over the whole frame and outside
# the bottom-right corner where mebo draws its mark (which ffmpeg does not).
#
# Usage: bench/gif_compare.sh MEBO_BINARY [RESULTS_DIR] [SOURCE.mp4]
set -euo pipefail

mebo=$(readlink -f "${1:?usage: gif_compare.sh MEBO_BINARY [RESULTS_DIR] [SOURCE.mp4]}")
out=${2:-$(mktemp -d /tmp/mebo-gif-compare.XXXXXX)}
mkdir -p "$out"
src=${3:-$out/screen.mp4}

pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT

if [ ! -s "$src" ]; then
  echo "recording 10 s of a private desktop..." >&2
  n=60; while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
  # A loaded machine can take many seconds to bring the server up; without it the clip is black.
  for _ in $(seq 300); do xdpyinfo -display ":$n" >/dev/null 2>&1 && break; sleep 0.1; done
  xdpyinfo -display ":$n" >/dev/null 2>&1 || { echo "Xvfb :$n did not start" >&2; exit 1; }
  export DISPLAY=":$n"
  openbox >/dev/null 2>&1 & pids+=($!)
  xterm -geometry 100x40+0+0 -fa Monospace -fs 10 -e bash -c 'for i in $(seq 400); do ls -la /usr/lib | sed -n "${i}p"; sleep 0.03; done; sleep 30' & pids+=($!)
  xterm -geometry 80x20+660+380 -bg white -fg black -fa Monospace -fs 11 -e bash -c 'for i in $(seq 100); do date +%T.%N; sleep 0.1; done; sleep 30' & pids+=($!)
  sleep 1
  ( for i in $(seq 100); do xdotool mousemove $((200 + 8 * i)) $((150 + 3 * i)); sleep 0.1; done ) & pids+=($!)
  ffmpeg -v error -y -f x11grab -framerate 30 -video_size 1280x720 -i ":$n" -t 10 -c:v libx264 -preset veryfast \
    -crf 18 -pix_fmt yuv420p "$src"
  cleanup; pids=()
fi

ssim_of() { # gif, extra filters for both sides
  ffmpeg -i "$1" -i "$src" -lavfi "[1:v]fps=15,settb=1/15,setpts=N,format=rgb24$2[ref];[0:v]settb=1/15,setpts=N,format=rgb24$2[g];[g][ref]ssim" \
    -f null - 2>&1 | sed -n 's/.*All:\([0-9.]*\).*/\1/p' | tail -1
}
# The mark's corner: its font size s = min(w, h) x 0.035 in [12, 54]; the box holds the text, its
# outline and its inset with room to spare.
read -r w h < <(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "$src" | tr ',' ' ')
read -r mw mh < <(python3 -c "
s = min(max(min($w, $h) * 0.035, 12), 54); i = min(s * 0.9, 36)
print(int(6 * s + i) // 2 * 2 + 2, int(2.2 * s + i) // 2 * 2 + 2)")

measure() { # name, output, command...
  local name=$1 file=$2; shift 2
  /usr/bin/time -f "%e %U %S %M" -o "$out/$name.time" "$@" >/dev/null 2>"$out/$name.log" || { echo "$name failed: $(tail -3 "$out/$name.log")" >&2; return 1; }
  read -r wall user sys rss < "$out/$name.time"
  local ssim rest
  ssim=$(ssim_of "$file" "")
  rest=$(python3 -c "print(round(($(ssim_of "$file" ",crop=$w:$((h - mh)):0:0")*$w*$((h - mh)) + $(ssim_of "$file" ",crop=$((w - mw)):$mh:0:$((h - mh))")*$((w - mw))*$mh) / ($w*$h - $mw*$mh), 6))")
  printf "%-28s wall %6.2f s  cpu %6.2f s  max RSS %4d MB  size %6.2f MB  SSIM %s (outside the mark %s)\n" "$name" "$wall" \
    "$(python3 -c "print($user+$sys)")" "$((rss / 1024))" "$(python3 -c "print($(stat -c %s "$file")/1e6)")" "$ssim" "$rest"
}

echo "source: $(ffprobe -v error -show_entries stream=width,height,r_frame_rate:format=duration -of csv=p=0 "$src" | tr '\n' ' '), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
measure "mebo video gif" "$out/mebo.gif" "$mebo" video gif "$src" -o "$out/mebo.gif" --fps 15 --max-width 1280
measure "ffmpeg full, dither none" "$out/ff-none.gif" ffmpeg -v error -y -i "$src" -vf \
  "fps=15,split[a][b];[a]palettegen=stats_mode=full[p];[b][p]paletteuse=dither=none" "$out/ff-none.gif"
measure "ffmpeg full, sierra2_4a" "$out/ff-sierra.gif" ffmpeg -v error -y -i "$src" -vf \
  "fps=15,split[a][b];[a]palettegen=stats_mode=full[p];[b][p]paletteuse" "$out/ff-sierra.gif"
measure "ffmpeg diff, dither none" "$out/ff-diff.gif" ffmpeg -v error -y -i "$src" -vf \
  "fps=15,split[a][b];[a]palettegen=stats_mode=diff[p];[b][p]paletteuse=dither=none:diff_mode=rectangle" "$out/ff-diff.gif"
echo "results in $out"
