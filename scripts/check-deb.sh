#!/bin/bash
# Builds the Debian package, installs it with apt, and checks the installed
# probe against the demo camera of the build.
set -euo pipefail
build="$1"
(cd "$build" && rm -f ocellane_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/ocellane_*.deb)
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --reinstall "$deb" >/dev/null
dpkg-deb -f "$deb" Depends

. "$(dirname "$0")/camsim.sh"
start_camsim /usr/bin/ocellane-camsim
/usr/bin/ocellane-probe --frames 10 --seconds 20 \
    "http://127.0.0.1:$camsim_port/axis-cgi/mjpg/video.cgi?resolution=352x288&camera=2"
echo "installed package works"
