#!/bin/bash
# Installs what is needed, builds, and starts the program against the
# built-in demo camera: nine cameras served by ocellane-camsim on this
# machine, listed in a config.lst of a demo folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh"
build=${BUILD_DIR:-$root/build}
demo=${OCELLANE_DEMO_DIR:-$root/demo}
mkdir -p "$demo"
cd "$demo"

. "$root/scripts/camsim.sh"
camsim="$build/tools/camsim/ocellane-camsim"
start_camsim "$camsim"
"$camsim" --write-config "http://127.0.0.1:$camsim_port" >config.lst
"$build/src/ocellane"
