#!/usr/bin/env bash
# Installs the Debian packages Tevarin needs to build, test and run, skipping
# those already installed, so a second run is fast. Usage: scripts/setup.sh
set -euo pipefail

# What each package is for is listed in the README.
PACKAGES=(
  # toolchain
  cmake ninja-build g++ pkg-config clang llvm libclang-rt-14-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # collection builder: JSON reader, variant data, corpus download
  libsimdjson-dev nlohmann-json3-dev unicode-data opencc libopencc-dev libbz2-dev bzip2 openssl
  # which characters are indexed (Unicode categories)
  libicu-dev
  # desktop application
  qt6-base-dev qt6-webengine-dev qt6-multimedia-dev qt6-tools-dev libqt6svg6
  # the interface's translations: lupdate and lrelease; Qt's own texts translated
  qt6-l10n-tools qt6-translations-l10n
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  fonts-noto-cjk fonts-hanazono
  # headless runs of the application and its tests
  xvfb xauth
  # Debian package (scripts/package-deb.sh, scripts/test-package.sh): dpkg-shlibdeps and
  # dpkg-buildflags, the PNG icons rendered from the SVG, the package's checks, the window check
  dpkg-dev file librsvg2-bin lintian desktop-file-utils appstream x11-utils
)

missing=()
# npm fetches the corpus; a machine may have it from another source than Debian.
command -v npm >/dev/null || PACKAGES+=(nodejs npm)
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
