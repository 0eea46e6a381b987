#!/bin/bash
# Installs the Debian packages that building, running and testing need.
# Idempotent: does nothing when every package is already there.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev libturbojpeg0-dev libjpeg62-turbo-dev libcurl4-openssl-dev
    libavcodec-dev libswscale-dev libavutil-dev
    # run: Qt's X11 platform, free look-alikes of the layout fonts, and the
    # certificate store https cameras are checked against
    qt6-qpa-plugins fonts-dejavu-core fonts-liberation2 fonts-comic-neue ca-certificates
    # end-to-end tests: X server, window manager, input, screenshots, OCR
    xvfb xauth openbox xdotool x11-utils imagemagick tesseract-ocr tesseract-ocr-eng
    # the network namespace discovery is tested in: ip, and unshare
    iproute2 util-linux
    # Qt's Wayland platform, so the Wayland start-up test has Qt find it
    qt6-wayland
    # a foreign MJPEG server for the stream tests
    ffmpeg
    # the RTSP test camera: GStreamer's RTSP server from python, with the
    # test source and the H.264 (ugly), H.265 (bad), JPEG and VP8 (good)
    # encoders its streams use
    python3-gi gir1.2-gst-rtsp-server-1.0 gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly
    # fuzzing and the sanitizer runtime: clang, libFuzzer, ASan/UBSan, and
    # the symboliser that makes their reports readable
    clang libclang-rt-14-dev llvm
    # packaging: the package's library dependencies are dpkg-shlibdeps'
    # (dpkg-dev), which CPack runs on what file(1) calls an executable
    dpkg-dev file
    # packaging checks
    desktop-file-utils appstream man-db
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
