#!/bin/bash
# Runs inside a fresh Debian 12 root (copied there by scripts/check-package.sh --chroot): installs the package
# with apt, uses it as a new user on a private display (a capture, xdg-open of a mebo:// URL),
# purges it with what it pulled in, and fails when a file of it is left outside the user's home.
# Usage: in-chroot.sh PACKAGE.deb
set -euo pipefail
deb="$1"
export DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8
fail() { echo "in-chroot: $*" >&2; exit 1; }
wait_for() {
    for _ in $(seq 1 600); do
        if eval "$1"; then return 0; fi
        sleep 0.1
    done
    return 1
}
# Every path outside the pseudo file systems, the package manager's own state and the homes.
snapshot() {
    find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /tmp -o -path /run -o -path /var/cache \
        -o -path /var/lib/apt -o -path /var/lib/dpkg -o -path /var/log -o -path /home -o -path /root \) -prune \
        -o -print | sort
}

apt-get update -qq
apt-get install -y -qq xvfb procps >/dev/null
snapshot >/tmp/before

echo "-- apt install $(basename "$deb")"
apt-get install -y "$deb" >/tmp/apt-install.log 2>&1 || { cat /tmp/apt-install.log; fail "apt install failed"; }
grep -E '^(Setting up|Processing triggers)' /tmp/apt-install.log | grep -E 'mebo|desktop-file-utils|hicolor|man-db' || true
grep -q '^x-scheme-handler/mebo=.*mebo.desktop' /usr/share/applications/mimeinfo.cache ||
    fail "the desktop database names no mebo:// handler"
dpkg -L mebo >/tmp/files

useradd -m tester
su tester -s /bin/bash -c '
    set -euo pipefail
    cd ~
    export DISPLAY=:99 XDG_RUNTIME_DIR=/tmp/runtime-tester
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    Xvfb :99 -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb=$!
    trap "kill \$app \$xvfb 2>/dev/null || true" EXIT
    app=""
    for _ in $(seq 1 300); do [ -e /tmp/.X11-unix/X99 ] && break; sleep 0.1; done
    echo "-- mebo --version: $(mebo --version)"
    mebo capture fullscreen --json
    mebo --background >/tmp/app.log 2>&1 &
    app=$!
    for _ in $(seq 1 600); do grep -q MenuBar /tmp/app.log && break; sleep 0.1; done
    xdg-open "mebo://capture?mode=fullscreen"
    for _ in $(seq 1 600); do [ "$(ls ~/Pictures/mebo/*.png 2>/dev/null | wc -l)" -ge 2 ] && break; sleep 0.1; done
    [ "$(ls ~/Pictures/mebo/*.png | wc -l)" -ge 2 ] || { cat /tmp/app.log; echo "xdg-open made no capture" >&2; exit 1; }
    echo "-- xdg-open mebo://capture?mode=fullscreen: $(ls ~/Pictures/mebo/*.png | wc -l) captures"
' || fail "using the installed package failed"

echo "-- apt purge mebo"
apt-get purge -y mebo >/tmp/apt-purge.log 2>&1 || { cat /tmp/apt-purge.log; fail "purge failed"; }
apt-get autoremove --purge -y >/dev/null 2>&1
while read -r f; do
    if [ -e "$f" ] && [ ! -d "$f" ]; then fail "left behind: $f"; fi
done </tmp/files
snapshot >/tmp/after
left="$(comm -13 /tmp/before /tmp/after)"
if [ -n "$left" ]; then
    echo "$left" | sed 's/^/new since before the install: /'
    if echo "$left" | grep -i mebo; then fail "files of the package are left"; fi
fi
if grep -rl 'mebo' /usr/share/applications /usr/share/icons 2>/dev/null; then
    fail "caches still name mebo"
fi
echo "in-chroot: installed, used and removed cleanly"
