#!/usr/bin/env bash
# Configures and builds into ./build (or $PARLANCE_BUILD_DIR); arguments name the targets
# to build (all when none are given).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PARLANCE_BUILD_DIR:-$root/build}
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
# The test command sets PARLANCE_WERROR=ON: its build treats warnings as errors.
[ -n "${PARLANCE_WERROR:-}" ] && options+=(-DPARLANCE_WERROR="$PARLANCE_WERROR")
cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
