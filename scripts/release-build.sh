#!/usr/bin/env bash
# Builds the release binary (build-release/src/mebo) when it is missing; prints its path.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mebo="$root/build-release/src/mebo"
if [ ! -x "$mebo" ]; then
    cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMEBO_BUILD_TESTS=OFF \
        -DMEBO_BUILD_BENCH=OFF >/dev/null
    ninja -C "$root/build-release" mebo >/dev/null
fi
echo "$mebo"
