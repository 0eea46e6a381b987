#!/bin/sh
# Camera frames of one photograph panned across: a window of the camera's
# size moving STEP pixels a frame, each frame encoded by ffmpeg's MJPEG
# encoder at -q:v 5 (4:2:0), so that consecutive pictures differ as a
# panning camera's do instead of repeating a handful of stills. The
# photograph is scaled up first when the pan would not fit in it.
#
#   make-panned-frames.sh PHOTO OUTDIR [WIDTHxHEIGHT] [FRAMES] [STEP]
#
# Defaults: 704x576, 125 frames (5 s at 25 a second), 3 px a frame. The
# folder is for the demo camera's and the nine-camera benchmark's
# --frames-dir (docs/PERFORMANCE.md).
set -eu
if [ $# -lt 2 ]; then
    sed -n '2,12p' "$0" >&2
    exit 2
fi
photo=$1
out=$2
size=${3:-704x576}
frames=${4:-125}
step=${5:-3}
width=${size%x*}
height=${size#*x}

dims=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "$photo")
pw=${dims%,*}
ph=${dims#*,}
# The scaled photograph must hold the window at its last position and the
# window's height; rounded up to even sides for the encoder.
span=$((width + step * (frames - 1)))
scaled=$(awk -v pw="$pw" -v ph="$ph" -v span="$span" -v h="$height" 'BEGIN {
    f = span / pw; if (h / ph > f) f = h / ph; if (f < 1) f = 1
    w = int(pw * f + 0.999); hh = int(ph * f + 0.999)
    w += w % 2; hh += hh % 2
    print w ":" hh }')

mkdir -p "$out"
rm -f "$out"/pan*.jpg
ffmpeg -nostdin -v error -loop 1 -framerate 25 -i "$photo" \
    -vf "scale=$scaled:flags=bicubic,crop=$width:$height:x=$step*n:y=(ih-$height)/2,format=yuvj420p" \
    -frames:v "$frames" -c:v mjpeg -q:v 5 "$out/pan%04d.jpg"
count=$(ls "$out"/pan*.jpg | wc -l)
bytes=$(cat "$out"/pan*.jpg | wc -c)
echo "$count frames of $size from $photo (scaled to $scaled), $((bytes / count)) bytes a frame on average, in $out"
