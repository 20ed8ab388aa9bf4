#!/usr/bin/env bash
# Checks the Debian package of Tevarin without touching the machine's own
# installation:
#   1. the package: lintian reports no error; the menu entry passes
#      desktop-file-validate, the AppStream metadata passes
#      appstreamcli validate --no-net, the manual pages format without a
#      warning; it holds every file it must; its dependencies were found by
#      dpkg-shlibdeps and are satisfiable here; its version is the one of
#      packaging/changelog;
#   2. installs it into a scratch root with dpkg --root;
#   3. puts a collection where a user keeps it (~/.local/share/tevarin/collection
#      of a scratch home): built by the installed tevarin-mkcollection from the
#      corpus (scripts/build-collection.sh), or linked from
#      TEVARIN_TEST_COLLECTION=DIR when that is set;
#   4. runs the installed tevarin-cli on it from an unrelated folder, without
#      saying where the collection is: it must find it there by itself;
#   5. starts the installed desktop program under Xvfb and checks that it
#      opens that collection (its main window, no message box) and stays up
#      for TEVARIN_GUI_SECONDS (default 8);
#   6. removes the package from the scratch root and checks nothing is left.
# Prints one line per check and closes with "package: N passed, N failed";
# exits 1 when a check failed. Safe to run again; removes everything it made.
#
#   scripts/test-package.sh [DEB]     (without DEB: scripts/package-deb.sh makes it)
set -uo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -gt 1 ]; then
  echo "usage: scripts/test-package.sh [DEB]" >&2
  exit 2
fi
GUI_SECONDS="${TEVARIN_GUI_SECONDS:-8}"

# Whether the desktop program finds the collection in the scratch home by
# itself. When it does not, it shows the "データを開けませんでした。" box
# beside its main window, and with this set that fails the check.
GUI_FINDS_COLLECTION=1

PASSED=0
FAILED=()
pass() { PASSED=$((PASSED + 1)); echo "ok: $*"; }
fail() { FAILED+=("$*"); echo "FAILED: $*"; }
# check [-q] NAME COMMAND...: runs COMMAND and passes when it exits 0. Its
# output follows, indented; with -q only when it failed.
check() {
  local quiet=0 name out rc
  if [ "$1" = -q ]; then quiet=1; shift; fi
  name="$1"
  shift
  out="$("$@" 2>&1)"
  rc=$?
  if [ $rc -eq 0 ]; then pass "$name"; else fail "$name"; fi
  if [ -n "$out" ] && { [ $quiet = 0 ] || [ $rc -ne 0 ]; }; then
    printf '%s\n' "$out" | sed 's/^/    /'
  fi
  return 0
}

SCRATCH="$(mktemp -d "${TMPDIR:-/tmp}/tevarin-package-test.XXXXXX")"
cleanup() {
  # A desktop program the window check could not end: only our own copy.
  local pid
  pid="$(cat "$SCRATCH/gui.pid" 2>/dev/null || true)"
  if [ -n "$pid" ] && tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -qF "$SCRATCH/"; then
    kill "$pid" 2>/dev/null
  fi
  rm -rf "$SCRATCH"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- the package --------------------------------------------------------------
if [ $# -eq 1 ]; then
  DEB="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
else
  DEB="$(bash "$ROOT/scripts/package-deb.sh" | tail -n 1)" || { echo "FAILED: building the package"; exit 1; }
fi
if [ ! -f "$DEB" ]; then
  echo "FAILED: no package at $DEB"
  exit 1
fi
echo "package: $DEB"
dpkg-deb --info "$DEB" | sed -n '/^ Package:/,$p' | sed 's/^ /    /'

# lintian: errors fail the check; warnings and notes are listed.
lintian_run() {
  local out rc
  out="$(lintian --display-info --tag-display-limit 0 --fail-on error "$DEB" 2>&1)"
  rc=$?
  printf '%s\n' "$out"
  ! printf '%s\n' "$out" | grep -q '^E: ' && [ $rc -eq 0 ]
}
check "lintian reports no error" lintian_run

EXTRACT="$SCRATCH/extract"
dpkg-deb -x "$DEB" "$EXTRACT"
SHARE="$EXTRACT/usr/share"

# The menu entry and the metadata: one of each, naming each other.
shopt -s nullglob
desktops=("$SHARE"/applications/*.desktop)
metainfos=("$SHARE"/metainfo/*.metainfo.xml)
shopt -u nullglob
if [ ${#desktops[@]} -eq 1 ] && [ ${#metainfos[@]} -eq 1 ]; then
  DESKTOP_ID="$(basename "${desktops[0]}")"
  pass "one menu entry ($DESKTOP_ID) and one metadata file"
  check "desktop-file-validate ${DESKTOP_ID}" desktop-file-validate "${desktops[0]}"
  check "appstreamcli validate --no-net $(basename "${metainfos[0]}")" \
    appstreamcli validate --no-net "${metainfos[0]}"
  if grep -q "<launchable type=\"desktop-id\">${DESKTOP_ID}</launchable>" "${metainfos[0]}"; then
    pass "the metadata launches $DESKTOP_ID"
  else
    fail "the metadata does not name $DESKTOP_ID as its launchable"
  fi
  icon="$(sed -n 's/^Icon=//p' "${desktops[0]}")"
else
  fail "expected one menu entry and one metadata file, found ${#desktops[@]} and ${#metainfos[@]}"
  icon=tevarin
fi

# Files the package must hold.
missing=()
for f in usr/bin/tevarin usr/bin/tevarin-cli usr/bin/tevarin-mkcollection; do
  [ -x "$EXTRACT/$f" ] || missing+=("$f")
done
for f in usr/share/tevarin/help.html usr/share/tevarin/help_zh_TW.html usr/share/tevarin/help_en.html \
         usr/share/tevarin/main.swf \
         "usr/share/icons/hicolor/scalable/apps/$icon.svg" \
         usr/share/man/man1/tevarin.1.gz usr/share/man/man1/tevarin-cli.1.gz \
         usr/share/man/man1/tevarin-mkcollection.1.gz \
         usr/share/doc/tevarin/copyright usr/share/doc/tevarin/changelog.gz; do
  [ -f "$EXTRACT/$f" ] || missing+=("$f")
done
for size in 16 22 24 32 48 64 128 256; do
  png="usr/share/icons/hicolor/${size}x${size}/apps/$icon.png"
  if [ ! -f "$EXTRACT/$png" ]; then
    missing+=("$png")
  elif ! file -b "$EXTRACT/$png" | grep -q "PNG image data, $size x $size,"; then
    missing+=("$png of $size x $size pixels (it is: $(file -b "$EXTRACT/$png"))")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  pass "the package holds the programs, resources, icons, manual pages and documents"
else
  fail "the package lacks: ${missing[*]}"
fi
# Resources belong in usr/share/tevarin, not beside the programs.
extra="$(cd "$EXTRACT/usr/bin" && ls | grep -Fxv -e tevarin -e tevarin-cli -e tevarin-mkcollection)"
if [ -z "$extra" ]; then
  pass "usr/bin holds only the three programs"
else
  fail "usr/bin holds more than the programs: $(echo $extra)"
fi

# Manual pages: formatted as man does, with every warning shown.
man_warnings() {
  local page out all=""
  for page in "$SHARE"/man/man1/*.1.gz; do
    out="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)"
    [ -n "$out" ] && all+="$(basename "$page"): $out"$'\n'
  done
  printf '%s' "$all"
  [ -z "$all" ]
}
check "manual pages format without warnings" man_warnings

# Dependencies: the libraries found by dpkg-shlibdeps (each program's own) and
# the hand-added run-time pieces, and all of them satisfiable here.
DEPENDS="$(dpkg-deb -f "$DEB" Depends)"
depends_names="$(printf '%s\n' "$DEPENDS" | tr ',|' '\n\n' | awk 'NF {print $1}')"
missing=()
for p in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6webenginewidgets6 libqt6multimedia6 \
         libbz2-1.0 libopencc1.1 libqt6webenginecore6-bin fonts-noto-cjk; do
  printf '%s\n' "$depends_names" | grep -Fxq "$p" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  pass "Depends names the libraries of the programs and their run-time pieces"
else
  fail "Depends lacks ${missing[*]}: $DEPENDS"
fi
check -q "the dependencies are satisfiable" apt-get satisfy --simulate -qq "$DEPENDS"

changelog_version="$(dpkg-parsechangelog -l "$ROOT/packaging/changelog" -S Version)"
deb_version="$(dpkg-deb -f "$DEB" Version)"
if [ "$deb_version" = "$changelog_version" ]; then
  pass "package version $deb_version is the changelog's"
else
  fail "package version $deb_version, packaging/changelog says $changelog_version"
fi

# --- installed into a scratch root ----------------------------------------------
INST="$SCRATCH/root"
mkdir -p "$INST/var/lib/dpkg/info" "$INST/var/lib/dpkg/updates" "$INST/var/lib/dpkg/triggers"
: > "$INST/var/lib/dpkg/status"
dpkg_scratch() { dpkg --root="$INST" --force-not-root --force-depends --force-script-chrootless "$@"; }
check -q "dpkg --root installs the package" dpkg_scratch --install "$DEB"
BIN="$INST/usr/bin"

# A user's home: the collection goes where the programs look for it.
HOME_DIR="$SCRATCH/home"
COLLECTION="$HOME_DIR/.local/share/tevarin/collection"
# How tevarin-cli is pointed at the collection: nothing, it finds
# ~/.local/share/tevarin/collection by itself.
CLI_DATA_ARGS=()
mkdir -p "$COLLECTION" "$HOME_DIR/.config" "$HOME_DIR/.cache" "$SCRATCH/runtime"
chmod 700 "$SCRATCH/runtime"
DATA_FILES=(Index-fl.cnt Index-fl.h Index-idx.m Index-idx.h Index_content-idx.m Index_content-idx.h
            Index_desc-idx.m Index_desc-idx.h yitizi.txt vok.dir)
if [ -n "${TEVARIN_TEST_COLLECTION:-}" ]; then
  linked=0
  for f in "${DATA_FILES[@]}"; do
    [ -f "$TEVARIN_TEST_COLLECTION/$f" ] && ln -s "$(cd "$TEVARIN_TEST_COLLECTION" && pwd)/$f" "$COLLECTION/$f" && linked=$((linked + 1))
  done
  if [ $linked -eq ${#DATA_FILES[@]} ]; then
    pass "collection linked from $TEVARIN_TEST_COLLECTION"
  else
    fail "TEVARIN_TEST_COLLECTION=$TEVARIN_TEST_COLLECTION lacks data files"
  fi
  check -q "installed tevarin-mkcollection --help" "$BIN/tevarin-mkcollection" --help
else
  echo "building the collection with the installed tevarin-mkcollection (about a minute)"
  check -q "the installed tevarin-mkcollection builds the collection" \
    env TEVARIN_BUILDER="$BIN/tevarin-mkcollection" bash "$ROOT/scripts/build-collection.sh" "$COLLECTION"
fi

# The programs run as the user would: scratch home, any folder.
user_env=(env HOME="$HOME_DIR" XDG_DATA_HOME="$HOME_DIR/.local/share"
          XDG_CONFIG_HOME="$HOME_DIR/.config" XDG_CACHE_HOME="$HOME_DIR/.cache"
          XDG_RUNTIME_DIR="$SCRATCH/runtime" PATH="$BIN:$PATH")
cd "$HOME_DIR"

cli_stats() {
  local out
  out="$("${user_env[@]}" tevarin-cli "${CLI_DATA_ARGS[@]}" stats)" || { printf '%s\n' "$out"; return 1; }
  printf '%s\n' "$out"
  printf '%s\n' "$out" | grep -Eq '^records: [1-9][0-9]*$' &&
    printf '%s\n' "$out" | grep -Fxq "data folder: $COLLECTION"
}
check "installed tevarin-cli stats uses ~/.local/share/tevarin/collection" cli_stats

# Without a collection anywhere: the message says where it looked and how to build one.
cli_missing() {
  local out
  out="$(env HOME="$SCRATCH/nobody" XDG_DATA_HOME= XDG_DATA_DIRS="$SCRATCH/none" PATH="$BIN:$PATH" \
         tevarin-cli stats 2>&1)" && return 1
  printf '%s\n' "$out"
  printf '%s\n' "$out" | grep -Fq "データを開けませんでした。" &&
    printf '%s\n' "$out" | grep -Fq "looked in $BIN, $SCRATCH/nobody/.local/share/tevarin/collection, $SCRATCH/none/tevarin/collection" &&
    printf '%s\n' "$out" | grep -Fq -- "--out $SCRATCH/nobody/.local/share/tevarin/collection"
}
check -q "installed tevarin-cli without a collection says where it looked" cli_missing

cli_search() {
  local out
  out="$("${user_env[@]}" tevarin-cli "${CLI_DATA_ARGS[@]}" search --tsv 學而)" || return 1
  printf 'hits: %s\n' "$(printf '%s\n' "$out" | grep -c .)"
  printf '%s\n' "$out" | grep -Eq '^[0-9]+	[1-9][0-9]*$'
}
check "installed tevarin-cli search 學而 finds pages" cli_search

# The desktop program under Xvfb: it must show a window and stay up.
cat > "$SCRATCH/gui-check.sh" <<'EOF'
# Runs inside xvfb-run: $1 the program, $2 seconds, $3 the pid file.
"$1" > "$SCRATCH_LOG" 2>&1 &
echo $! > "$3"
sleep "$2"
if ! kill -0 "$(cat "$3")" 2>/dev/null; then
  echo "the program ended within $2 seconds"
  exit 1
fi
main=0 box=0
for id in $(xwininfo -root -children | awk '/"Tevarin"/ {print $1}'); do
  xwininfo -id "$id" | grep -q 'Map State: IsViewable' || continue
  props="$(xprop -id "$id" _NET_WM_WINDOW_TYPE _NET_WM_STATE)"
  case "$props" in
    *_NET_WM_WINDOW_TYPE_DIALOG*) box=1 ;;
    *_NET_WM_STATE_MAXIMIZED_VERT*) main=1 ;;
  esac
done
kill "$(cat "$3")"
echo "main window shown: $main, message box shown: $box"
[ "$main" = 1 ] && [ "$box" = 0 ] && exit 0
[ "$main" = 1 ] || [ "$box" = 1 ] && exit 3
exit 2
EOF
gui_run() {
  local rc
  "${user_env[@]}" QT_QPA_PLATFORM=xcb QTWEBENGINE_DISABLE_SANDBOX=1 SCRATCH_LOG="$SCRATCH/gui.log" \
    timeout $((GUI_SECONDS + 60)) xvfb-run -a -s "-screen 0 1280x800x24" \
    bash "$SCRATCH/gui-check.sh" "$BIN/tevarin" "$GUI_SECONDS" "$SCRATCH/gui.pid"
  rc=$?
  case $rc in
    0) [ "$GUI_FINDS_COLLECTION" = 1 ] ||
         echo "(the program found the collection: set GUI_FINDS_COLLECTION=1 in this script)"
       return 0 ;;
    3) if [ "$GUI_FINDS_COLLECTION" = 1 ]; then
         echo "the program did not open the collection in ~/.local/share/tevarin/collection"
         return 1
       fi
       echo "(a message box is expected while the program does not look in ~/.local/share/tevarin)"
       return 0 ;;
    *) echo "no window of the program is shown; its output:"
       tail -n 20 "$SCRATCH/gui.log"
       return 1 ;;
  esac
}
check "installed tevarin starts under Xvfb and stays up ${GUI_SECONDS} s" gui_run

cd "$SCRATCH"
check -q "dpkg --root removes the package" dpkg_scratch --purge tevarin
left="$(find "$INST" -path "$INST/var" -prune -o ! -type d -print)"
if [ -z "$left" ]; then
  pass "removing the package leaves no file"
else
  fail "files left after removing the package: $left"
fi

echo "package: $PASSED passed, ${#FAILED[@]} failed"
if [ ${#FAILED[@]} -gt 0 ]; then
  printf 'failed: %s\n' "${FAILED[@]}"
  exit 1
fi
exit 0
