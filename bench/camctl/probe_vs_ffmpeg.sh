#!/bin/sh
# CPU per frame of ocellane-probe against ffmpeg on the same demo-camera
# stream (704x576, 25 fps, photographs). Usage, from the build folder:
#   ../bench/camctl/probe_vs_ffmpeg.sh FRAMES_DIR [FRAMES]
set -eu
frames_dir=$1
count=${2:-500}
build=$(pwd)
out=$(mktemp -d)
trap 'kill $cam 2>/dev/null; rm -rf "$out"' EXIT
"$build/tools/camsim/ocellane-camsim" --port 0 --quiet --fps 25 --frames-dir "$frames_dir" >"$out/port" &
cam=$!
i=0
while [ ! -s "$out/port" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
url="http://127.0.0.1:$(head -n1 "$out/port")/axis-cgi/mjpg/video.cgi?resolution=704x576"
seconds=$((count / 25 + 20))

cpu() { # command... -> "user+sys seconds"
    /usr/bin/time -f "%U %S" -o "$out/time" "$@" >/dev/null 2>"$out/err" || true
    awk '{ printf "%.3f", $1 + $2 }' "$out/time"
}
probe=$(cpu "$build/tools/probe/ocellane-probe" --frames "$count" --seconds "$seconds" "$url")
ffmpeg=$(cpu ffmpeg -hide_banner -nostdin -loglevel error -i "$url" -frames:v "$count" -f null -)
echo "frames $count"
echo "ocellane-probe CPU: $probe s ($(echo "$probe $count" | awk '{ printf "%.0f", $1 / $2 * 1e6 }') us/frame)"
echo "ffmpeg CPU:         $ffmpeg s ($(echo "$ffmpeg $count" | awk '{ printf "%.0f", $1 / $2 * 1e6 }') us/frame)"
echo "ratio probe/ffmpeg: $(echo "$probe $ffmpeg" | awk '{ printf "%.3f", $1 / $2 }') (target <= 0.8)"
