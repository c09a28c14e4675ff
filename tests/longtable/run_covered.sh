#!/usr/bin/env bash
# Runs TOLM on the cattle data with every analysis and on end-to-end cases of other shapes
# (demes without data, gametic sex, a multilocus combination, results on the screen, several
# passes), and checks each time with covered.py that every number of the tabular file has its
# row in the long table.
#
#   run_covered.sh BIN SRCDIR WORKDIR CASE...
set -u
bin=$(realpath "$1"); src=$(realpath "$2"); work=$3; shift 3
here="$src/tests/longtable"
rm -rf "$work"; mkdir -p "$work"
fail=0
check() {  # dir
  local d=$1 tab long
  tab=$(ls "$d"/*-tab.txt "$d"/tolmout.txt 2>/dev/null | head -1)
  long=$(ls "$d"/*-long.tsv 2>/dev/null | head -1)
  if [ -z "$tab" ] || [ -z "$long" ]; then
    echo "FAIL $(basename "$d"): no tabular file or no long table"; fail=1; return
  fi
  python3 "$here/covered.py" "$tab" "$long" || { echo "FAIL $(basename "$d")"; fail=1; }
}

mkdir -p "$work/microbov"
cp "$src/examples/microbov.dat" "$src/examples/all-loci.txt" "$work/microbov/"
(cd "$work/microbov" && "$bin" all-loci.txt >console.txt 2>&1 </dev/null) || {
  echo "FAIL microbov: tolm failed"; fail=1; }
check "$work/microbov"

for c in "$@"; do
  mkdir -p "$work/$c"
  (cd "$src/tests/e2e/cases/$c" && tar --exclude=./expect -chf - .) | tar -C "$work/$c" -xf -
  (cd "$work/$c" && "$bin" batch.txt >console.txt 2>&1 </dev/null) || {
    echo "FAIL $c: tolm failed"; fail=1; continue; }
  check "$work/$c"
done
exit $fail
