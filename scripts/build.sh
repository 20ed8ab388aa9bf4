#!/usr/bin/env bash
# Configures and builds Tevarin into build/ (release with debug info).
# Usage: scripts/build.sh [extra cmake options]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build build -j2
