#!/usr/bin/env bash
# Sets up Tevarin, builds it, builds the default collection beside the
# executables (once), and starts the program on it. Without a display it shows
# the collection's figures and an example search on the terminal instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
BIN="$PWD/build/bin"
bash scripts/build-collection.sh "$BIN"
"$BIN/tevarin-cli" stats
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  [ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
  exec "$BIN/tevarin" "$@"
fi
echo
echo "run: no display; an example search for 學而 (with variant characters) in 經部:"
"$BIN/tevarin-cli" search --variants --range 1 學而
echo
echo "run: to start the desktop program without a display: xvfb-run -a $BIN/tevarin"
