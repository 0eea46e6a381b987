#!/bin/bash
# Builds the Debian package and checks it without installing it into this
# system: apt must be able to resolve its dependencies here (simulated),
# and its programs, unpacked into a throwaway root, must run: the unpacked
# probe gets pictures from the unpacked demo camera.
set -euo pipefail
# Absolute: apt-get takes a bare relative file name for a package name.
build=$(cd "$1" && pwd)
(cd "$build" && rm -f ocellane_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/ocellane_*.deb)
dpkg-deb -f "$deb" Depends
apt-get install --simulate -qq "$deb" >/dev/null

unpacked=$(mktemp -d)
dpkg-deb -x "$deb" "$unpacked"
. "$(dirname "$0")/camsim.sh"
start_camsim "$unpacked/usr/bin/ocellane-camsim"
trap 'kill $camsim_pid 2>/dev/null; rm -rf "$unpacked"' EXIT
"$unpacked/usr/bin/ocellane-probe" --frames 10 --seconds 20 \
    "http://127.0.0.1:$camsim_port/axis-cgi/mjpg/video.cgi?resolution=352x288&camera=2"
echo "packaged programs work"
