#!/usr/bin/env bash
# Checks a release made by scripts/release.sh.
#   - the package: lintian (no errors), and its control fields;
#   - the archive: one top folder mebo-VERSION/ of regular files, unpacked under /tmp/x.XXXXXX and
#     run there on a private display (scripts/check-install-tree.sh, from the archive);
#   - with --chroot: the package installed with apt into a fresh Debian 12 root, used (a capture,
#     xdg-open of a mebo:// URL), purged, and no file of it left behind.
# The Debian root is made once with debootstrap and kept in $MEBO_CHROOT_CACHE
# (default /work/cache, else /tmp).
# Usage: scripts/check-package.sh DEB ARCHIVE [--chroot]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
deb="$(realpath "$1")"
archive="$(realpath "$2")"
chroot_check=0
[ "${3:-}" = "--chroot" ] && chroot_check=1
fail() { echo "check-package: $*" >&2; exit 1; }

MEBO_SETUP_RELEASE=1 MEBO_SETUP_DESKTOP_ENTRY=0 "$root/scripts/setup.sh" >/dev/null

echo "== lintian $(basename "$deb")"
lintian --fail-on error --info "$deb" || fail "lintian found errors"
dpkg-deb -f "$deb" Package Version Depends Recommends

echo "== archive $(basename "$archive")"
version="$(dpkg-deb -f "$deb" Version)"
tops="$(tar -tzf "$archive" | cut -d/ -f1 | sort -u)"
[ "$tops" = "mebo-$version" ] || fail "the archive's top folders: $tops"
if tar -tvzf "$archive" | grep -v '^[-d]'; then fail "the archive holds other than files and folders"; fi
unpacked="$(mktemp -d /tmp/x.XXXXXX)"
tar -xzf "$archive" -C "$unpacked"
"$root/tests/desktop/run-desktop.sh" "$root/scripts/check-install-tree.sh" --tree "$unpacked/mebo-$version" ||
    { rm -rf "$unpacked"; fail "the unpacked archive failed"; }
rm -rf "$unpacked"

[ "$chroot_check" = 1 ] || exit 0

echo "== the package in a fresh Debian 12 root"
cache="${MEBO_CHROOT_CACHE:-/work/cache}"
[ -d "$(dirname "$cache")" ] && mkdir -p "$cache" 2>/dev/null || cache=/tmp
base="$cache/debian12-minbase.tar"
if [ ! -f "$base" ]; then
    tmpbase="$(mktemp -d /tmp/mebo-debootstrap.XXXXXX)"
    debootstrap --variant=minbase bookworm "$tmpbase" http://deb.debian.org/debian >/dev/null
    tar -C "$tmpbase" -cf "$base.tmp" .
    mv "$base.tmp" "$base"
    rm -rf "$tmpbase"
fi
jail="$(mktemp -d /tmp/mebo-chroot.XXXXXX)"
cleanup() {
    for m in dev/pts dev proc; do umount "$jail/$m" 2>/dev/null || true; done
    rm -rf --one-file-system "$jail"
}
trap cleanup EXIT
tar -C "$jail" -xf "$base"
# The root folder keeps the mode of the folder it was made in; the test user must enter it.
chmod 755 "$jail"
mount -t proc proc "$jail/proc"
mount --bind /dev "$jail/dev"
mount --bind /dev/pts "$jail/dev/pts"
cp /etc/resolv.conf "$jail/etc/resolv.conf"
cp "$deb" "$jail/tmp/"
cp "$root/scripts/check-package-in-chroot.sh" "$jail/tmp/in-chroot.sh"
chroot "$jail" /bin/bash /tmp/in-chroot.sh "/tmp/$(basename "$deb")"
