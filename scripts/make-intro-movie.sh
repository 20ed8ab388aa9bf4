#!/usr/bin/env bash
# Makes the intro movie res/main.swf: five seconds of 960 x 540 frames drawn
# by tools/mkpictures (paper, title, a line of the Analects, a seal), encoded
# as VP8 in WebM with GStreamer (gstreamer1.0-plugins-good). The program plays
# the file whatever its name says. Usage: scripts/make-intro-movie.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake -S . -B "$build" -G Ninja -DTEVARIN_BUILD_APP=ON >/dev/null
cmake --build "$build" -j2 --target tevarin-mkpictures
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
QT_QPA_PLATFORM=offscreen "$build"/bin/tevarin-mkpictures --intro-frames "$frames"
gst-launch-1.0 -q multifilesrc location="$frames/frame%04d.png" index=0 \
    caps="image/png,framerate=25/1" \
  ! pngdec ! videoconvert ! video/x-raw,format=I420 \
  ! vp8enc deadline=0 cpu-used=4 target-bitrate=1200000 keyframe-max-dist=50 \
  ! webmmux ! filesink location=res/main.swf
ls -l res/main.swf
