#!/bin/sh
# check-figures.sh TOLM INPUT BATCH WORKDIR
# Runs TOLM on INPUT with BATCH and "-figures=svg,pdf,png", then reads every figure back with
# tools of its own: python3's XML parser and rsvg-convert for SVG, pdftoppm for PDF, and the
# PNG header for the size (the page of the matching SVG, in points, at 300 dpi).
bin=$1 input=$2 batch=$3 work=$4
for tool in python3 rsvg-convert pdftoppm; do
  command -v $tool >/dev/null 2>&1 || { echo "SKIPPED: $tool not installed"; exit 77; }
done
rm -rf "$work" && mkdir -p "$work" || exit 1
cp "$input" "$batch" "$work/" || exit 1
cd "$work" || exit 1
"$bin" "$(basename "$batch")" -figures=svg,pdf,png >console 2>stderr </dev/null
rc=$?
[ $rc = 0 ] || { echo "FAIL: tolm ended with status $rc"; tail -5 console; cat stderr; exit 1; }
grep -q " Figures         --> In directory mb-Figures" console || { echo "FAIL: no console line"; exit 1; }
bad=0
n=0
for f in mb-Figures/*.svg mb-Figures/snails/*.svg; do
  [ -e "$f" ] || continue
  n=$((n + 1))
  b=${f%.svg}
  python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' "$f" ||
    { echo "FAIL: $f is not well-formed XML"; bad=1; }
  rsvg-convert -o tmp.png "$f" && [ -s tmp.png ] || { echo "FAIL: rsvg-convert $f"; bad=1; }
  [ -e "$b.pdf" ] || { echo "FAIL: $b.pdf missing"; bad=1; continue; }
  pdftoppm -r 20 -png -singlefile "$b.pdf" tmp-pdf >pdf.log 2>&1 && [ -s tmp-pdf.png ] && [ ! -s pdf.log ] ||
    { echo "FAIL: pdftoppm $b.pdf"; cat pdf.log; bad=1; }
  [ -e "$b.png" ] || { echo "FAIL: $b.png missing"; bad=1; continue; }
  python3 - "$f" "$b.png" <<'PY' || bad=1
import re, struct, sys
svg = open(sys.argv[1]).read(2000)
w = float(re.search(r'width="([0-9.]+)(pt)?"', svg).group(1))
h = float(re.search(r'height="([0-9.]+)(pt)?"', svg).group(1))
import zlib
with open(sys.argv[2], 'rb') as f:
    png = f.read()
if png[:8] != b'\x89PNG\r\n\x1a\n':
    sys.exit(f"FAIL: {sys.argv[2]} is not a PNG file")
# every chunk's CRC, and the image data inflates to one filter byte and 3 bytes a pixel per row
pos, idat, chunks = 8, b'', []
while pos < len(png):
    n, = struct.unpack('>I', png[pos:pos + 4])
    kind, body = png[pos + 4:pos + 8], png[pos + 8:pos + 8 + n]
    crc, = struct.unpack('>I', png[pos + 8 + n:pos + 12 + n])
    if zlib.crc32(kind + body) != crc:
        sys.exit(f"FAIL: {sys.argv[2]}: bad CRC in {kind}")
    chunks.append(kind)
    if kind == b'IDAT':
        idat += body
    pos += 12 + n
if chunks[0] != b'IHDR' or chunks[-1] != b'IEND':
    sys.exit(f"FAIL: {sys.argv[2]}: chunks {chunks}")
pw, ph = struct.unpack('>II', png[16:24])
if png[24:26] != b'\x08\x02' or len(zlib.decompress(idat)) != ph * (3 * pw + 1):
    sys.exit(f"FAIL: {sys.argv[2]}: image data does not hold {pw}x{ph} RGB pixels")
if (pw, ph) != (round(w * 300 / 72), round(h * 300 / 72)):
    sys.exit(f"FAIL: {sys.argv[2]} is {pw}x{ph}, its page {w}x{h} pt wants 300 dpi")
PY
done
# the run of three loci with snails: 3 loci and the gene pool for alleles, 3 loci for
# genotypes, each in both weightings
[ "$n" -ge 14 ] || { echo "FAIL: only $n figures"; ls -R mb-Figures; bad=1; }
# the overview maps per kind, as far as the long table holds their rows
for k in alleles genotypes; do
  if grep -q "	$k	.*	differentiation_Dj	" mb-long.tsv 2>/dev/null; then
    [ -e "mb-Figures/Dj-$k.svg" ] || { echo "FAIL: mb-Figures/Dj-$k.svg missing"; bad=1; }
  fi
  if grep -q "^[^	]*	[^	]*	pool	$k	.*	distance_d0	" mb-long.tsv 2>/dev/null; then
    [ -e "mb-Figures/d0-$k.svg" ] || { echo "FAIL: mb-Figures/d0-$k.svg missing"; bad=1; }
  fi
done
[ $bad = 0 ] && echo "ok: $n figures in three formats"
exit $bad
