#!/usr/bin/env bash
# Remakes docs/snail-dempopsiz.png and docs/snail-equpopsiz.png from the program's own EPS
# snails of locus 1 (INRA63) of examples/microbov.dat, 600 pixels wide.
#
#   docs/make-snail-pictures.sh BIN      BIN: the tolm binary
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bin=$(realpath "$1")
"$here/../examples/run-demo.sh" "$bin" all-loci.txt >/dev/null
snails="$(dirname "$bin")/demo-all-loci/all-loci-Snails"
for w in DemPopSiz EquPopSiz; do
  lw=$(echo "$w" | tr 'A-Z' 'a-z')
  # the page is 193 points wide: 224 dots per inch make 600 pixels
  gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -dTextAlphaBits=4 -dGraphicsAlphaBits=4 \
    -sDEVICE=png16m -r224 -sOutputFile="$here/snail-$lw.png" \
    "$snails/all-loci-Snail-$w-Alleles__Locus_1.eps"
done
