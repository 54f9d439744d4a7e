#!/usr/bin/env bash
# Brings release build targets (build-release/) up to date and prints their paths, one a line:
# mebo-sign and tasu for the signing and packing scripts. MEBO_SIGN / MEBO_TASU name prebuilt ones.
# Usage: release-tools.sh TARGET...
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
need=()
for t in "$@"; do
    case "$t" in
    mebo-sign) [ -n "${MEBO_SIGN:-}" ] || need+=(mebo-sign) ;;
    tasu) [ -n "${MEBO_TASU:-}" ] || need+=(tasu) ;;
    *) echo "release-tools: unknown target $t" >&2; exit 2 ;;
    esac
done
if [ "${#need[@]}" -gt 0 ]; then
    if [ ! -f "$root/build-release/build.ninja" ]; then
        cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMEBO_BUILD_TESTS=OFF \
            -DMEBO_BUILD_BENCH=OFF >/dev/null
    fi
    ninja -C "$root/build-release" "${need[@]}" >/dev/null
fi
for t in "$@"; do
    case "$t" in
    mebo-sign) echo "${MEBO_SIGN:-$root/build-release/tools/mebo-sign}" ;;
    tasu) echo "${MEBO_TASU:-$root/build-release/tasu/tasu}" ;;
    esac
done
