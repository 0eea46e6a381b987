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

camsim="$build/tools/camsim/ocellane-camsim"
if [ -x "$camsim" ]; then
    portfile=$(mktemp)
    "$camsim" --port 0 >"$portfile" &
    camsim_pid=$!
    trap 'kill $camsim_pid 2>/dev/null' EXIT
    for _ in $(seq 1 100); do
        [ -s "$portfile" ] && break
        sleep 0.1
    done
    port=$(head -n1 "$portfile")
    "$build/tools/camsim/ocellane-camsim" --write-config "http://127.0.0.1:$port" >config.lst
fi
"$build/src/ocellane"
