#!/bin/sh
# The print snails beside the EPS and WMF snails: one per locus (and gene pool), kind and
# weighting in each asked format, in their own folder; the snail folder holds only EPS and WMF.
bad=0
for part in 05-HEL5 16-BM1824 30-SPS115; do
  for kind in alleles genotypes; do
    for w in size equal; do
      for ext in svg png; do
        f=mb-Figures/snails/$part-$kind-$w.$ext
        [ -s "$f" ] || { echo "missing: $f"; bad=1; }
      done
    done
  done
done
for w in size equal; do
  [ -s mb-Figures/snails/pool-alleles-$w.svg ] || { echo "missing: pool $w"; bad=1; }
done
[ -z "$(ls mb-Figures/snails | grep -v -e '\.svg$' -e '\.png$')" ] || { echo "unasked format"; bad=1; }
[ -z "$(ls mb-Snails | grep -v -e '\.eps$' -e '\.wmf$')" ] || { echo "stray file in mb-Snails"; bad=1; }
[ "$(ls mb-Snails | wc -l)" = 28 ] || { echo "EPS/WMF snails: $(ls mb-Snails | wc -l)"; bad=1; }
grep -q " Figures         --> In directory mb-Figures" console || { echo "no console line"; bad=1; }
exit $bad
