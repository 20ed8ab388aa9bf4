#!/usr/bin/env bash
# Redraws the program's pictures under res/ with the project's own drawing tool.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j2 --target tevarin-mkpictures
QT_QPA_PLATFORM=offscreen build/bin/tevarin-mkpictures res
