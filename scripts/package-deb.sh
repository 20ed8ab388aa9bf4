#!/usr/bin/env bash
# Builds the Debian package of Tevarin (tevarin_VERSION_ARCH.deb):
#   1. installs what is missing (scripts/setup.sh);
#   2. configures and builds BUILD_DIR (default build-pkg/) with the programs
#      only (no tests, no benchmarks) and Debian's compiler and linker flags,
#      hardening included, as a Debian package build would;
#   3. runs CPack, which installs into a staging folder, strips the programs,
#      finds the library dependencies with dpkg-shlibdeps and writes the .deb.
# The last line on standard output is the path of the package; the rest of
# the output goes to standard error. Safe to run again: an up-to-date build
# is not rebuilt and the previous package is replaced.
#
#   scripts/package-deb.sh [BUILD_DIR]
#
# Install the result with:  sudo apt install ./build-pkg/package/tevarin_*.deb
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -gt 1 ]; then
  echo "usage: scripts/package-deb.sh [BUILD_DIR]" >&2
  exit 2
fi
BUILD="${1:-$ROOT/build-pkg}"
say() { echo "package-deb: $*" >&2; }

if [ "${TEVARIN_SKIP_SETUP:-0}" != 1 ]; then
  bash "$ROOT/scripts/setup.sh" >&2
fi

# The flags Debian builds its packages with: optimisation, debug information
# (stripped into nothing by CPack), fortified functions, stack protector,
# read-only relocations, immediate binding.
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"

say "configuring $BUILD"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTEVARIN_BUILD_APP=ON -DTEVARIN_BUILD_TESTS=OFF -DTEVARIN_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS="$CFLAGS" -DCMAKE_CXX_FLAGS="$CXXFLAGS" \
  -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" >&2
say "building"
cmake --build "$BUILD" -j2 >&2

say "packaging"
rm -f "$BUILD"/package/*.deb
(cd "$BUILD" && cpack -G DEB --config CPackConfig.cmake) >&2
shopt -s nullglob
debs=("$BUILD"/package/*.deb)
if [ ${#debs[@]} -ne 1 ]; then
  say "expected one package in $BUILD/package, found ${#debs[@]}"
  exit 1
fi
say "made ${debs[0]}"
echo "${debs[0]}"
