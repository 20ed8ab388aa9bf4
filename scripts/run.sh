#!/usr/bin/env bash
# Sets up Tevarin, builds it, builds the default collection beside the
# executables (once), and starts the program on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
BIN="$PWD/build/bin"
if [ -f scripts/build-collection.sh ]; then
  bash scripts/build-collection.sh "$BIN"
else
  echo "run: no collection is built yet (the collection builder is not part of this version)"
fi
"$BIN/tevarin-cli" --data "$BIN" stats || true
