#!/usr/bin/env bash
# Brings the release binary (build-release/src/mebo) up to date; prints its path.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ ! -f "$root/build-release/build.ninja" ]; then
    cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMEBO_BUILD_TESTS=OFF \
        -DMEBO_BUILD_BENCH=OFF >/dev/null
fi
ninja -C "$root/build-release" mebo >/dev/null
echo "$root/build-release/src/mebo"
