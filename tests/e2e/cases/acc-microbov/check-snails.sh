#!/bin/sh
# Every snail file must be a picture: each EPS renders with Ghostscript, each WMF converts to SVG.
# Prints one line per file; a file that fails makes the run fail.
dir=$1
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
bad=0
for f in "$dir"/*.eps; do
  [ -e "$f" ] || continue
  if gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE=png16m -r36 -sOutputFile="$tmp/p.png" \
    "$f" >"$tmp/gs.log" 2>&1 && [ -s "$tmp/p.png" ] && [ ! -s "$tmp/gs.log" ]; then
    echo "renders:  $f"
  else
    echo "BROKEN:   $f"; cat "$tmp/gs.log"; bad=1
  fi
done
for f in "$dir"/*.wmf; do
  [ -e "$f" ] || continue
  if wmf2svg -o "$tmp/p.svg" "$f" >"$tmp/wmf.log" 2>&1 && grep -q '<svg' "$tmp/p.svg"; then
    echo "converts: $f"
  else
    echo "BROKEN:   $f"; cat "$tmp/wmf.log"; bad=1
  fi
done
exit $bad
