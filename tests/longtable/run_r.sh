#!/usr/bin/env bash
# Runs TOLM on the cattle data with every analysis (examples/all-loci.txt) and has R read the
# long table of the run (roundtrip.R).
#
#   run_r.sh BIN SRCDIR WORKDIR
set -u
bin=$(realpath "$1"); src=$(realpath "$2"); work=$3
if ! command -v Rscript >/dev/null 2>&1; then
  echo "SKIPPED: Rscript is not installed"
  exit 77
fi
rm -rf "$work"; mkdir -p "$work"
cp "$src/examples/microbov.dat" "$src/examples/all-loci.txt" "$work/"
(cd "$work" && "$bin" all-loci.txt >console.txt 2>&1 </dev/null) || {
  echo "tolm failed:"; tail -5 "$work/console.txt"; exit 1; }
Rscript "$src/tests/longtable/roundtrip.R" "$work"
