#!/usr/bin/env bash
# Builds the default collection into OUTDIR (usually the executables' folder)
# when it is missing or older than the builder or its inputs.
#
#   scripts/build-collection.sh [OUTDIR]     (default: build/bin)
#
# The corpus, the npm package chinese-poetry@2.0.1, is fetched once with
# `npm pack` into ${XDG_CACHE_HOME:-$HOME/.cache}/tevarin, checked against its
# pinned integrity value (refused on mismatch) and unpacked there. The builder
# is OUTDIR/tevarin-mkcollection when OUTDIR holds one, else
# build/bin/tevarin-mkcollection (override with TEVARIN_BUILDER).
# Variant data: Debian's unicode-data (Unihan) and OpenCC's data folder for the
# Japanese new forms. Safe to run again: an up-to-date collection is left alone;
# one whose companion postings files are missing or older than their index files
# only gets them written anew (tevarin-mkcollection --companion).
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -gt 1 ]; then
  echo "usage: scripts/build-collection.sh [OUTDIR]" >&2
  exit 2
fi
OUT="${1:-$ROOT/build/bin}"

PACKAGE="chinese-poetry@2.0.1"
TARBALL_NAME="chinese-poetry-2.0.1.tgz"
INTEGRITY="sha512-KtYARvV7CWNtax0na9+Jn6PlhGgSoid7PWyDzXI4KsCEm2odZcqEQyval5koaLygZnM/EQ3lfJ//25K8p3uHNg=="
CACHE="${XDG_CACHE_HOME:-$HOME/.cache}/tevarin"
CORPUS="$CACHE/chinese-poetry-2.0.1"
UNIHAN="${TEVARIN_UNIHAN:-/usr/share/unicode/Unihan_Variants.txt.bz2}"
OPENCC="${TEVARIN_OPENCC:-/usr/share/opencc}"
DATA_FILES=(Index-fl.cnt Index-fl.h Index-idx.m Index-idx.h Index_content-idx.m Index_content-idx.h
            Index_desc-idx.m Index_desc-idx.h yitizi.txt vok.dir)
# Each index's companion postings file, made from its two index files.
COMPANION_INDEXES=(Index Index_content Index_desc)

say() { echo "build-collection: $*" >&2; }

if [ -n "${TEVARIN_BUILDER:-}" ]; then
  BUILDER="$TEVARIN_BUILDER"
elif [ -x "$OUT/tevarin-mkcollection" ]; then
  BUILDER="$OUT/tevarin-mkcollection"
else
  BUILDER="$ROOT/build/bin/tevarin-mkcollection"
fi
if [ ! -x "$BUILDER" ]; then
  say "the builder $BUILDER is missing; build the project first (scripts/build.sh)"
  exit 1
fi
if [ ! -f "$UNIHAN" ] && [ -f "${UNIHAN%.bz2}" ]; then UNIHAN="${UNIHAN%.bz2}"; fi
if [ ! -f "$UNIHAN" ]; then
  say "$UNIHAN is missing; install the Debian package unicode-data (scripts/setup.sh)"
  exit 1
fi
OPENCC_ARGS=()
if [ -f "$OPENCC/JPVariants.ocd2" ] || [ -f "$OPENCC/JPVariants.txt" ]; then
  OPENCC_ARGS=(--opencc "$OPENCC")
else
  say "no OpenCC data in $OPENCC: building without the Japanese new forms"
fi

# Up to date: every data file exists and the oldest of them is newer than the
# builder and the variant data.
up_to_date() {
  local f oldest=""
  for f in "${DATA_FILES[@]}"; do
    [ -f "$OUT/$f" ] || return 1
    if [ -z "$oldest" ] || [ "$OUT/$f" -ot "$oldest" ]; then oldest="$OUT/$f"; fi
  done
  [ "$oldest" -nt "$BUILDER" ] || return 1
  [ "$oldest" -nt "$UNIHAN" ] || return 1
  if [ ${#OPENCC_ARGS[@]} -gt 0 ]; then
    for f in "$OPENCC/JPVariants.ocd2" "$OPENCC/JPVariants.txt" "$OPENCC/s2t.json"; do
      if [ -f "$f" ] && [ "$f" -nt "$oldest" ]; then return 1; fi
    done
  fi
  return 0
}
# The companions are current when each exists and is newer than its index files
# and the builder.
companions_current() {
  local name c
  for name in "${COMPANION_INDEXES[@]}"; do
    c="$OUT/$name-idx.companion"
    [ -f "$c" ] || return 1
    [ "$c" -nt "$OUT/$name-idx.h" ] && [ "$c" -nt "$OUT/$name-idx.m" ] && [ "$c" -nt "$BUILDER" ] || return 1
  done
  return 0
}
if up_to_date; then
  if companions_current; then
    say "the collection in $OUT is up to date"
    exit 0
  fi
  say "writing the companion postings files in $OUT"
  "$BUILDER" --companion "$OUT"
  exit 0
fi

integrity_of() {
  local digest
  if command -v openssl >/dev/null; then
    digest="$(openssl dgst -sha512 -binary "$1" | base64 -w0)"
  else
    digest="$(python3 -c 'import base64,hashlib,sys; print(base64.b64encode(hashlib.sha512(open(sys.argv[1],"rb").read()).digest()).decode())' "$1")"
  fi
  echo "sha512-$digest"
}

mkdir -p "$CACHE"
TARBALL="$CACHE/$TARBALL_NAME"
if [ ! -f "$TARBALL" ]; then
  command -v npm >/dev/null || { say "npm is needed to fetch $PACKAGE (scripts/setup.sh)"; exit 1; }
  say "fetching $PACKAGE"
  FETCH="$(mktemp -d "$CACHE/fetch.XXXXXX")"
  trap 'rm -rf "$FETCH"' EXIT
  (cd "$FETCH" && npm pack "$PACKAGE" --silent >/dev/null)
  if [ ! -f "$FETCH/$TARBALL_NAME" ]; then
    say "npm pack did not produce $TARBALL_NAME"
    exit 1
  fi
  mv "$FETCH/$TARBALL_NAME" "$TARBALL"
  rm -rf "$FETCH"
  trap - EXIT
fi
ACTUAL="$(integrity_of "$TARBALL")"
if [ "$ACTUAL" != "$INTEGRITY" ]; then
  say "$TARBALL does not have the pinned integrity value"
  say "  expected $INTEGRITY"
  say "  found    $ACTUAL"
  say "refusing to build from it; remove the file to fetch it again"
  exit 1
fi
if [ ! -d "$CORPUS/package/dist" ]; then
  say "unpacking the corpus into $CORPUS"
  UNPACK="$(mktemp -d "$CACHE/unpack.XXXXXX")"
  trap 'rm -rf "$UNPACK"' EXIT
  tar -xzf "$TARBALL" -C "$UNPACK"
  if [ ! -d "$UNPACK/package/dist" ]; then
    say "$TARBALL holds no package/dist folder"
    exit 1
  fi
  rm -rf "$CORPUS"
  mv "$UNPACK" "$CORPUS"
  trap - EXIT
fi

say "building the collection into $OUT (takes a minute or two)"
"$BUILDER" --corpus "$CORPUS/package/dist" --unihan "$UNIHAN" --out "$OUT" "${OPENCC_ARGS[@]}"
