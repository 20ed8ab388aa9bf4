#!/usr/bin/env bash
# Sets up, builds and runs every test of Tevarin:
#   1. the release build (build/): engine, builder, command-line and GUI tests;
#   2. the engine again with AddressSanitizer + UndefinedBehaviorSanitizer
#      (build-asan/): engine tests, the damage sweep of the command-line tool
#      and a replay of the committed fuzz seed corpora through every target;
#   3. the Debian package (build-pkg/): lintian, desktop-file-validate,
#      appstreamcli, installed into a scratch root with a collection built by
#      the installed builder, the installed programs run (scripts/test-package.sh).
# Set TEVARIN_SKIP_SANITIZERS=1 to skip the second part, TEVARIN_SKIP_PACKAGE=1
# to skip the third.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
ctest --test-dir build --output-on-failure -j2

if [ "${TEVARIN_SKIP_SANITIZERS:-0}" != 1 ]; then
  echo "test: engine tests and fuzz seed replay under AddressSanitizer + UBSan (build-asan/)"
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
    -DTEVARIN_SANITIZE=ON -DTEVARIN_FUZZ=ON \
    -DTEVARIN_BUILD_APP=OFF -DTEVARIN_BUILD_BENCH=OFF >/dev/null
  cmake --build build-asan -j2
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j2
fi

if [ "${TEVARIN_SKIP_PACKAGE:-0}" != 1 ]; then
  echo "test: the Debian package, installed into a scratch root (build-pkg/)"
  TEVARIN_SKIP_SETUP=1 bash scripts/test-package.sh
fi
