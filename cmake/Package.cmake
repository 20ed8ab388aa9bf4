# The Debian package of Tevarin, made by CPack from the install rules of
# cmake/Install.cmake (include that first):
#   cpack -G DEB --config <build>/CPackConfig.cmake
# scripts/package-deb.sh builds with Debian's hardening flags and runs this;
# scripts/test-package.sh checks the result.
#
# The library dependencies come from dpkg-shlibdeps. Added by hand are only
# the pieces the programs load or run at run time, which dpkg-shlibdeps cannot
# see in the executables; each carries its reason below.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tevarin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tevarin developers")
# The maintainer of the newest packaging/changelog entry.
set(CPACK_PACKAGE_CONTACT "${TEVARIN_CHANGELOG_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
# Only the binary package; the source tree is the project's repository.
set(CPACK_SOURCE_GENERATOR "")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reader and full-text search for classical Chinese texts")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Tevarin reads and searches a collection of classical Chinese texts, arranged
as divisions, books, volumes and pages: the Book of Songs, the Analects and
the Four Books, the primers, the Songs of Chu, the Complete Tang Poems with
the poets' biographies, Song poems and lyrics, Yuan songs and more.

A search finds the pages that hold all of its keywords, or any of them, with
the wildcards * and ?, in the whole text, the body text or the notes,
optionally counting variant forms of a character as the same character. Hits
open highlighted and numbered. The interface speaks Japanese, Traditional
Chinese and English.

The package holds the desktop program tevarin, the command-line search
tevarin-cli, and tevarin-mkcollection, which builds the collection from the
chinese-poetry corpus.")

set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Depends, beyond the libraries:
# - fonts-noto-cjk: the interface and the pages are set in the Noto CJK faces;
#   without a CJK font the texts cannot be read at all.
# QtWebEngineProcess, the process that draws the page view and the keyword
# field, needs no entry: the web engine library's own dependency information
# brings libqt6webenginecore6-bin in, and the package test checks it is there.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk")

# Recommends: the program works without them, with less.
# - fonts-hanazono: ideographs beyond the Basic Multilingual Plane that the
#   Noto faces lack.
# - gstreamer1.0-plugins-base, gstreamer1.0-plugins-good: play the intro movie
#   (VP8 in WebM) through Qt Multimedia's GStreamer backend; without them the
#   movie is skipped.
# - qt6-wayland: a native window in a Wayland session (otherwise XWayland).
# - unicode-data: the Unihan variant table that tevarin-mkcollection reads to
#   build a collection, without which the programs have nothing to show.
# - qt6-translations-l10n: Qt's own texts (the standard buttons and the file
#   and print dialogs) in the interface's language; without it they stay in
#   English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-hanazono, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, qt6-translations-l10n, qt6-wayland, unicode-data")

# Suggests: npm fetches the chinese-poetry corpus the collection is built from.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "npm")

include(CPack)
