#!/usr/bin/env bash
# Builds the programs and makes the Debian package build/package/parlance_<version>_<arch>.deb
# (or under $PARLANCE_BUILD_DIR). Prints the package's path. Install it with
#   sudo apt-get install ./build/package/parlance_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PARLANCE_BUILD_DIR:-$root/build}
"$root/scripts/build.sh" parlance wavewright parlance-registry parlance_man_pages \
  parlance_changelog >/dev/null
rm -f "$build"/package/parlance_*.deb
(cd "$build" && cpack -G DEB -B "$build/package" >/dev/null)
ls "$build"/package/parlance_*.deb
