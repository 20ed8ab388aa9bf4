#!/usr/bin/env bash
# Builds the default collection into OUTDIR (default: build/bin) when it is
# missing or older than the builder: fetches the corpus package once into a
# cache outside the source tree, checks its integrity, derives the Japanese
# new-form pairs with OpenCC, and runs tevarin-mkcollection.
# Usage: scripts/build-collection.sh [OUTDIR]
set -euo pipefail
cd "$(dirname "$0")/.."
OUT="${1:-build/bin}"
BUILDER="${TEVARIN_BUILDER:-build/bin/tevarin-mkcollection}"
PACKAGE="chinese-poetry@2.0.1"
INTEGRITY="sha512-KtYARvV7CWNtax0na9+Jn6PlhGgSoid7PWyDzXI4KsCEm2odZcqEQyval5koaLygZnM/EQ3lfJ//25K8p3uHNg=="
CACHE="${XDG_CACHE_HOME:-$HOME/.cache}/tevarin"
UNIHAN="/usr/share/unicode/Unihan_Variants.txt.bz2"

if [ ! -x "$BUILDER" ]; then
  echo "build-collection: $BUILDER is missing; run scripts/build.sh first" >&2
  exit 1
fi
if [ -f "$OUT/Index-fl.h" ] && [ -f "$OUT/vok.dir" ] && [ "$OUT/Index-fl.h" -nt "$BUILDER" ]; then
  echo "build-collection: the collection in $OUT is up to date"
  exit 0
fi

mkdir -p "$CACHE"
TGZ="$CACHE/chinese-poetry-2.0.1.tgz"
if [ ! -f "$TGZ" ]; then
  echo "build-collection: fetching $PACKAGE"
  (cd "$CACHE" && npm pack "$PACKAGE" --silent >/dev/null)
fi
ACTUAL="sha512-$(openssl dgst -sha512 -binary "$TGZ" | base64 -w0)"
if [ "$ACTUAL" != "$INTEGRITY" ]; then
  echo "build-collection: $TGZ does not match the pinned integrity value; removing it" >&2
  rm -f "$TGZ"
  exit 1
fi
if [ ! -d "$CACHE/package/dist" ] || [ "$TGZ" -nt "$CACHE/package/dist" ]; then
  rm -rf "$CACHE/package"
  tar -xzf "$TGZ" -C "$CACHE"
  touch "$CACHE/package/dist"
fi

# Japanese new forms (発 for 發, 国 for 國, ...): OpenCC's traditional-to-Japanese
# conversion applied to every unified ideograph, one a line.
JP="$CACHE/jp-variants.txt"
if [ ! -s "$JP" ] && command -v opencc >/dev/null; then
  python3 -c '
import sys
for cp in list(range(0x3400, 0xA000)) + list(range(0xF900, 0xFB00)):
    sys.stdout.write(chr(cp) + "\n")' > "$CACHE/ideographs.txt"
  opencc -c t2jp.json -i "$CACHE/ideographs.txt" -o "$CACHE/ideographs-jp.txt"
  paste "$CACHE/ideographs.txt" "$CACHE/ideographs-jp.txt" | awk -F'\t' '$1 != $2' > "$JP"
fi
JPARG=()
[ -s "$JP" ] && JPARG=(--jp "$JP")

echo "build-collection: building the collection into $OUT"
"$BUILDER" --corpus "$CACHE/package/dist" --unihan "$UNIHAN" --out "$OUT" "${JPARG[@]}"
