#!/usr/bin/env bash
# Runs the cattle data with -report=html -figures=svg and checks the report.
#   check-report.sh TOLM SOURCE_DIR WORK_DIR page|pvalues
# page:    well-formed HTML5, no external address; in Chromium (file URL, network off): the
#          title, one section per locus of the long table, every SVG figure of the run inline,
#          a screenshot that is not blank.
# pvalues: the Hardy-Weinberg table of the DOM, 30 loci x 15 demes, equal to the long table.
set -u
bin=$1; src=$2; work=$3; mode=$4
here=$(cd "$(dirname "$0")" && pwd)

browser=""
for b in chromium chromium-browser; do command -v "$b" >/dev/null 2>&1 && { browser=$b; break; }; done
if [ -z "$browser" ]; then echo "SKIPPED: chromium is not installed"; exit 77; fi
py=""
for p in python3 /usr/bin/python3; do
  "$p" -c 'import html5lib' >/dev/null 2>&1 && { py=$p; break; }
done
if [ -z "$py" ]; then echo "SKIPPED: python3 with html5lib is not installed"; exit 77; fi

rm -rf "$work"; mkdir -p "$work"; cd "$work" || exit 1
cp "$src/examples/microbov.dat" "$src/examples/all-loci.txt" .
if ! "$bin" -report=html -figures=svg all-loci.txt >console 2>&1 </dev/null; then
  echo "FAIL: the run ended with an error"; tail -5 console; exit 1
fi
grep -q "HTML report     --> all-loci-report.html" console || { echo "FAIL: no console line"; exit 1; }

if [ "$mode" = pvalues ] && ! cut -f9 all-loci-long.tsv | grep -qx hardy_weinberg_exact; then
  echo "SKIPPED: the long table holds no exact Hardy-Weinberg tests (hardy_weinberg_exact) yet"
  exit 77
fi

# The browser, without network: every host name resolves to nothing, no proxy is reachable
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
url="file://$work/all-loci-report.html"
flags=(--headless --no-sandbox --disable-gpu --no-first-run --user-data-dir="$profile"
       --disable-background-networking --disable-component-update --disable-sync
       --host-resolver-rules="MAP * ~NOTFOUND" --proxy-server="127.0.0.1:9"
       --window-size=1280,2000)
timeout 300 "$browser" "${flags[@]}" --dump-dom "$url" >dom.html 2>browser.log
if [ ! -s dom.html ]; then echo "FAIL: chromium wrote no DOM"; tail -5 browser.log; exit 1; fi
if [ "$mode" = page ]; then
  timeout 300 "$browser" "${flags[@]}" --screenshot="$work/shot.png" "$url" >>browser.log 2>&1
  [ -s shot.png ] || { echo "FAIL: chromium wrote no screenshot"; tail -5 browser.log; exit 1; }
fi
exec "$py" "$here/check_report.py" "$mode" all-loci-report.html dom.html all-loci-long.tsv \
  all-loci-Figures shot.png
