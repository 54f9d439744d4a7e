#!/usr/bin/env bash
# The install tree, relocated: `cmake --install` into one folder, then moved to another (as an
# unpacked release archive is) and run from there with a fresh home, on the test desktop.
# Checks the layout, the desktop entry and metainfo validators, and what a user does first:
# --version, a capture, text recognition (its module from lib/mebo), and the desktop application
# registering itself so that xdg-open's mebo:// URL reaches it.
# Usage: check-install-tree.sh BUILD-DIR | --tree DIR   (--tree: an unpacked archive's mebo-VERSION/)
# DISPLAY must be set: run it through tests/desktop/run-desktop.sh.
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d /tmp/mebo-install-tree.XXXXXX)"
app_pid=""
cleanup() {
    if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null; wait "$app_pid" 2>/dev/null; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "check-install-tree: $*" >&2; exit 1; }
# Waits up to 60 s for a shell condition.
wait_for() {
    for _ in $(seq 1 600); do
        if eval "$1"; then return 0; fi
        sleep 0.1
    done
    return 1
}

if [ "$1" = "--tree" ]; then
    tree="$(cd "$2" && pwd)"
    version="${tree##*/mebo-}"
    build_number="[0-9]*"
else
    build="$(cd "$1" && pwd)"
    version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
    build_number="$(sed -n 's/^MEBO_BUILD_NUMBER:STRING=//p' "$build/CMakeCache.txt")"
    cmake --install "$build" --prefix "$work/staged/mebo-$version" >/dev/null
    mkdir -p "$work/x"
    mv "$work/staged/mebo-$version" "$work/x/"
    tree="$work/x/mebo-$version"
fi

# The layout.
for f in bin/mebo lib/mebo/mebo-full lib/mebo/libmebo_platform_pulse.so lib/mebo/libmebo_platform_tesseract.so \
    share/mebo/sounds/Shutter.wav share/applications/mebo.desktop \
    share/metainfo/app.mebo.Mebo.metainfo.xml share/man/man1/mebo.1.gz \
    share/bash-completion/completions/mebo share/zsh/vendor-completions/_mebo \
    share/fish/vendor_completions.d/mebo.fish share/icons/hicolor/scalable/apps/mebo.svg \
    share/doc/mebo/copyright share/doc/mebo/changelog.gz; do
    [ -f "$tree/$f" ] || fail "missing $f"
done
for size in 16 22 24 32 48 64 128 256 512; do
    file "$tree/share/icons/hicolor/${size}x${size}/apps/mebo.png" | grep -q "PNG image data, $size x $size" ||
        fail "no ${size}x${size} icon"
done
stamps="$(find "$source_dir/data/stamps" -name '*.svg' | wc -l)"
[ "$(find "$tree/share/mebo/stamps" -name '*.svg' | wc -l)" = "$stamps" ] || fail "stamps missing"
[ -z "$(find "$tree" -type l)" ] || fail "links in the tree: $(find "$tree" -type l)"
# The program links system libraries only: no search path into the build folder.
if readelf -d "$tree/bin/mebo" "$tree/lib/mebo/mebo-full" "$tree"/lib/mebo/*.so | grep -E 'RPATH|RUNPATH'; then
    fail "a search path is set"
fi

desktop-file-validate "$tree/share/applications/mebo.desktop" || fail "desktop entry invalid"
appstreamcli validate --no-net --pedantic "$tree/share/metainfo/app.mebo.Mebo.metainfo.xml" ||
    fail "metainfo invalid"
grep -q "<release version=\"$version\"" "$tree/share/metainfo/app.mebo.Mebo.metainfo.xml" ||
    fail "the metainfo's releases do not list $version"
zcat "$tree/share/doc/mebo/changelog.gz" | head -n 1 | grep -q "^mebo ($version)" ||
    fail "the changelog's last entry is not $version"

# A fresh home; the build folder out of reach.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset XDG_DATA_DIRS MEBO_PLATFORM
cd "$work"
mebo="$tree/bin/mebo"

# shellcheck disable=SC2053 # the build number may be a pattern
[[ "$("$mebo" --version)" == "mebo $version (build "$build_number")" ]] || fail "--version: $("$mebo" --version)"
json="$("$mebo" capture fullscreen --save-dir "$work/shots" --json)"
shot="$(ls "$work"/shots/*.png)"
file "$shot" | grep -q "PNG image data, 1920 x 1080" || fail "capture: $json"
ocr_err="$work/ocr.err"
text="$("$mebo" ocr "$source_dir/tests/data/reference/text_plain.png" --verbose 2>"$ocr_err")"
grep -q "module not loaded" "$ocr_err" && fail "text recognition: $(cat "$ocr_err")"
[ -n "$text" ] || fail "text recognition read nothing: $(tail -n 5 "$ocr_err")"

# The desktop application registers the moved tree as the mebo:// handler; xdg-open reaches it.
"$mebo" --background >"$work/app.log" 2>&1 &
app_pid=$!
entry="$XDG_DATA_HOME/applications/mebo.desktop"
wait_for "grep -qF 'Exec=$mebo %u' '$entry' 2>/dev/null" || fail "no desktop entry: $(cat "$work/app.log")"
wait_for "grep -q 'MenuBar' '$work/app.log'" || fail "the application did not start: $(cat "$work/app.log")"
xdg-open 'mebo://capture?mode=fullscreen'
wait_for "ls '$HOME'/Pictures/mebo/*.png >/dev/null 2>&1" || fail "xdg-open: no capture: $(cat "$work/app.log")"
echo "check-install-tree: $tree passed"
