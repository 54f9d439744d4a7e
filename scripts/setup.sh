#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Mebo needs.
# Idempotent; works as root or through sudo.
set -euo pipefail

if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

BUILD_PKGS=(
  build-essential cmake ninja-build ccache pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev
  libxcb1-dev libxcb-shm0-dev libxcb-randr0-dev libxcb-xfixes0-dev libxcb-ewmh-dev libxcb-icccm4-dev
  libxcb-xtest0-dev libxcb-xinput-dev libxcb-image0-dev
  libicu-dev zlib1g-dev libpng-dev libdeflate-dev libsndfile1-dev libpulse-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libtesseract-dev libleptonica-dev libtext-names-perl wamerican
  # Ed25519 signatures of updates and of the hotkey companion.
  libsodium-dev
  # FFmpeg's libraries: media probing (video projects), recording (H.264/HEVC/AAC into MP4) and
  # export; libyuv colour conversion, X Damage for unchanged screens.
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libswscale-dev libyuv-dev
  libxcb-damage0-dev
  # Scroll capture: the accessibility tree (AT-SPI 2) finds the scrolling element under a point.
  libatspi2.0-dev
  # Video export: libavfilter (atempo time-stretch), GIF palettes (libimagequant) and writing (giflib).
  libavfilter-dev libimagequant-dev libgif-dev
  # Recording cameras: V4L2 devices through libavdevice.
  libavdevice-dev
)
RUN_PKGS=(
  xvfb openbox xterm x11-utils x11-xserver-utils x11-apps xdotool xclip xdg-utils desktop-file-utils trayer
  dbus dbus-x11 sound-theme-freedesktop pulseaudio pulseaudio-utils fonts-dejavu-core
  qt6-qpa-plugins libqt6svg6 tesseract-ocr-eng
  # Text recognition reads Chinese as well when these are installed.
  tesseract-ocr-chi-sim tesseract-ocr-chi-tra
  # Log lines are mostly in Traditional Chinese; the Logs tab needs a font with those glyphs.
  fonts-wqy-microhei
  # Helvetica-like faces for the rendered screenshots the text-recognition tests read.
  fonts-urw-base35
  # The companion installer stages its download with unzip; its archive is packed with zip.
  unzip zip
  # WebP: Save As writes it, video projects carry image annotations in it.
  qt6-image-formats-plugins
  # Media for the video and recording tests is generated with the ffmpeg command (lavfi), played
  # on the test display and checked with ffprobe.
  ffmpeg
  # The install-tree test: the metainfo and desktop-entry validators, the manual page reader and
  # the shells whose completions it runs; `file` lets CPack find the programs to strip.
  appstream man-db bash-completion zsh fish file
  # The test desktop's stand-in for the notification service (tests/desktop/notification-server.py).
  python3-dbus python3-gi
  # Scroll capture: the accessibility bus (and gdbus to switch it on), and a browser showing long
  # pages for its tests.
  at-spi2-core chromium libglib2.0-bin
  # The video walkthrough finds the editor's controls in the accessibility tree from Python.
  gir1.2-atspi-2.0
)
# scripts/release.sh --check and scripts/check-package.sh: the package checker and a Debian root.
RELEASE_PKGS=(lintian debootstrap)
# libopencv-imgproc-dev: the flood-fill benchmark compares against cv::floodFill; tesseract-ocr:
# the text-recognition benchmark compares against the tesseract command.
BENCH_PKGS=(scrot maim imagemagick hyperfine libopencv-imgproc-dev tesseract-ocr)
# flameshot: the overlay benchmark times its `flameshot gui` against a capture URL.
BENCH_PKGS+=(flameshot)
# stress: the load the suite must pass under (`stress --cpu 6` beside ./scripts/test.sh).
BENCH_PKGS+=(stress)
# firefox-esr: scroll captures tried on a second browser engine (MEBO_SETUP_FIREFOX=1).
FIREFOX_PKGS=(firefox-esr)
# libc6-dbg: ThreadSanitizer's reports name glibc's frames (MEBO_SANITIZE=thread).
TSAN_PKGS=(libc6-dbg)
# clang with its libFuzzer and sanitizer runtimes, for fuzz/run.sh.
FUZZ_PKGS=(clang libclang-rt-14-dev)

want=("${BUILD_PKGS[@]}" "${RUN_PKGS[@]}")
if [ "${MEBO_SETUP_BENCH:-0}" = "1" ]; then want+=("${BENCH_PKGS[@]}"); fi
if [ "${MEBO_SETUP_FUZZ:-0}" = "1" ]; then want+=("${FUZZ_PKGS[@]}"); fi
if [ "${MEBO_SETUP_RELEASE:-0}" = "1" ]; then want+=("${RELEASE_PKGS[@]}"); fi
if [ "${MEBO_SETUP_FIREFOX:-0}" = "1" ]; then want+=("${FIREFOX_PKGS[@]}"); fi
if [ "${MEBO_SANITIZE:-}" = "thread" ]; then want+=("${TSAN_PKGS[@]}"); fi

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  # Waits for another package installation to finish instead of failing on the dpkg lock.
  $SUDO apt-get -o DPkg::Lock::Timeout=900 update -qq
  $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "setup: all packages present"
fi

# The desktop entry (x-scheme-handler/mebo) for the user running the set-up; the build that
# scripts/run.sh makes is what it starts.
if [ "${MEBO_SETUP_DESKTOP_ENTRY:-1}" = "1" ]; then
  "$(dirname "$0")/install-desktop-entry.sh" >/dev/null
fi
