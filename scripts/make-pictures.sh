#!/usr/bin/env bash
# Redraws the program's pictures under res/ with the project's own drawing
# tool (tools/mkpictures). Usage: scripts/make-pictures.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake -S . -B "$build" -G Ninja -DTEVARIN_BUILD_APP=ON >/dev/null
cmake --build "$build" -j2 --target tevarin-mkpictures
QT_QPA_PLATFORM=offscreen "$build"/bin/tevarin-mkpictures res
