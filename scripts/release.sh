#!/usr/bin/env bash
# Builds a release: the Debian package (mebo_VERSION_amd64.deb) and the relocatable archive
# (mebo-VERSION-x86_64.tar.gz, one top folder mebo-VERSION/ that is the install tree), both from
# the build folder the README's commands share.
#
# Usage: scripts/release.sh [--out DIR] [--build-dir DIR] [--build-number N] [--sign-key KEYFILE]
#                           [--check]
#   --out DIR           where the package and the archive go (default: dist/)
#   --build-dir DIR     the CMake build folder (default: build)
#   --build-number N    the build the update feed compares (default: the number of commits)
#   --sign-key KEYFILE  sign the archive with scripts/sign-release.sh ARCHIVE --key KEYFILE
#   --check             then check both with scripts/check-package.sh (lintian, validators, a
#                       run of the unpacked archive)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/dist"
build="$root/build"
build_number=""
sign_key=""
check=0
while [ $# -gt 0 ]; do
    case "$1" in
        --out) out="$2"; shift 2 ;;
        --build-dir) build="$2"; shift 2 ;;
        --build-number) build_number="$2"; shift 2 ;;
        --sign-key) sign_key="$2"; shift 2 ;;
        --check) check=1; shift ;;
        -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "release: unknown argument '$1' (see --help)" >&2; exit 2 ;;
    esac
done
if [ -n "$sign_key" ] && [ ! -x "$root/scripts/sign-release.sh" ]; then
    echo "release: --sign-key needs scripts/sign-release.sh, which this checkout does not have" >&2
    exit 1
fi
if [ -z "$build_number" ]; then
    build_number="$(git -C "$root" rev-list --count HEAD 2>/dev/null || echo 1)"
fi
mkdir -p "$out"
out="$(cd "$out" && pwd)"

MEBO_SETUP_RELEASE="$check" MEBO_SETUP_DESKTOP_ENTRY=0 "$root/scripts/setup.sh" >/dev/null
# Configured as scripts/test.sh and scripts/run.sh configure it, so the three share one build.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMEBO_SANITIZE= \
    -DMEBO_BUILD_NUMBER="$build_number" >/dev/null
ninja -C "$build" -j "$(nproc)" mebo mebo_desktop_files
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"

# The Debian package (dependencies from dpkg-shlibdeps; see cmake/MeboPackage.cmake).
work="$build/release"
rm -rf "$work"
mkdir -p "$work"
(cd "$build" && cpack -G DEB -B "$work/cpack" >/dev/null)
deb="$(find "$work/cpack" -maxdepth 1 -name "mebo_${version}_*.deb" | head -n 1)"
[ -n "$deb" ] || { echo "release: cpack made no package" >&2; exit 1; }
# CPack adds maintainer scripts that run ldconfig for any library below /usr/lib; the modules
# are opened by path, never through the linker's cache, so the package goes without them.
unpacked="$work/unpacked"
dpkg-deb -R "$deb" "$unpacked"
rm -f "$unpacked/DEBIAN/postinst" "$unpacked/DEBIAN/postrm"
dpkg-deb --root-owner-group -Zxz --build "$unpacked" "$out/$(basename "$deb")" >/dev/null
deb="$out/$(basename "$deb")"

# The archive: the same install tree under mebo-VERSION/, regular files only, owned by root,
# with the runtime packages the package depends on written beside the documents.
name="mebo-$version"
stage="$work/stage/$name"
cmake --install "$build" --prefix "$stage" --strip >/dev/null
# Package names only, the first of alternatives, so `apt install $(cat …)` takes them.
dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/([^)]*)//g; s/|.*//; s/ //g' | grep -v '^$' \
    >"$stage/share/doc/mebo/runtime-packages"
chmod -R u=rwX,go=rX "$stage"
chmod 0755 "$stage/bin/mebo" "$stage/lib/mebo/mebo-full"
if [ -n "$(find "$stage" -type l)" ]; then
    echo "release: the install tree has links; the archive holds regular files only" >&2
    exit 1
fi
epoch="$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)"
archive="$out/$name-x86_64.tar.gz"
tar -C "$work/stage" --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$epoch" \
    --format=gnu -cf - "$name" | gzip -9n >"$archive.tmp"
mv -f "$archive.tmp" "$archive"

if [ -n "$sign_key" ]; then
    "$root/scripts/sign-release.sh" "$archive" --key "$sign_key"
fi
echo "release: $deb"
echo "release: $archive"
if [ "$check" = 1 ]; then
    "$root/scripts/check-package.sh" "$deb" "$archive"
fi
