#!/usr/bin/env bash
# Takes the screenshots under docs/screenshots/ on a virtual screen: the main
# window at start, with the left pane hidden ("全表示"), the about box, and
# the intro movie. Needs xvfb, openbox, xdotool and imagemagick.
# Usage: scripts/take-screenshots.sh [build-dir]   (inside: xvfb-run is used)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=docs/screenshots
mkdir -p "$out"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---disable-gpu}"
openbox >/dev/null 2>&1 &
wm=$!
sleep 1

# Waits until a window with the given name is mapped.
wait_window() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "no window $1" >&2
  return 1
}

# The intro movie, two seconds in.
"$build"/bin/tevarin >/dev/null 2>&1 &
app=$!
sleep 4
import -window root "$out/splash.png"
kill $app; wait $app 2>/dev/null || true

# The main window without the movie.
"$build"/bin/tevarin -Embedding >/dev/null 2>&1 &
app=$!
wait_window Tevarin
sleep 3
import -window root "$out/main-window.png"
# "全表示" from the 表示 menu hides the left pane.
xdotool key alt+v
sleep 0.5
import -window root "$out/menu-view.png"
xdotool key p
sleep 1
import -window root "$out/left-pane-hidden.png"
# The about box from the ヘルプ menu.
xdotool key alt+h
sleep 0.5
xdotool key a
sleep 1
import -window root "$out/about.png"
xdotool key Escape
sleep 0.5
kill $app; wait $app 2>/dev/null || true
kill $wm
ls -l "$out"
