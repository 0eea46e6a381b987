#!/bin/bash
# Configures with a preset of CMakePresets.json ($PRESET, default "default")
# and builds into build/ (or $BUILD_DIR). Further arguments go to the
# configure step.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
cd "$root"
cmake --preset "${PRESET:-default}" -B "$build" "$@"
cmake --build "$build" -j "$(nproc)"
