#!/usr/bin/env bash
# Installs what is missing, builds, and starts the reader on the built-in espeak-ng voices
# with a machine registry file of its own (./build/machine-registry.db unless
# PARLANCE_MACHINE_REGISTRY names another). Extra arguments go to the reader.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" parlance wavewright
build=${PARLANCE_BUILD_DIR:-$root/build}
export PARLANCE_MACHINE_REGISTRY=${PARLANCE_MACHINE_REGISTRY:-$build/machine-registry.db}
exec "$build/bin/parlance" "$@"
