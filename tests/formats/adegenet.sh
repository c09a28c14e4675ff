#!/usr/bin/env bash
# Allele counts of TOLM (the converted file, and the results of a run on the file) against
# adegenet's (R) on Genepop, FSTAT, Genetix and STRUCTURE files written from one random table.
#
#   adegenet.sh TOLM_BIN SOURCE_DIR WORK_DIR
set -u
bin=$(realpath "$1"); src=$(realpath "$2"); work=$3
if ! command -v Rscript >/dev/null || ! Rscript -e 'suppressMessages(library(adegenet))' >/dev/null 2>&1; then
  echo "SKIPPED: R with the adegenet package is not installed"; exit 77
fi
rm -rf "$work"; mkdir -p "$work"; cd "$work" || exit 1
python3 "$src/tests/formats/write_formats.py" . rnd random:7 || exit 1
nind=$(($(wc -l <rnd.dat) - 7)); nloc=6
fail=0
for f in genepop:rnd.gen fstat:rnd.dat genetix:rnd.gtx structure:rnd.str; do
  fmt=${f%%:*}; file=${f#*:}
  echo "$file" >"$fmt.bat"
  "$bin" "$fmt.bat" -nogui -convert="$fmt.tolm" >"$fmt.console" 2>&1 ||
    { echo "FAIL $fmt: conversion ended with status $?"; tail -3 "$fmt.console"; fail=1; continue; }
  # a run on the file itself: allele frequency tables of all single loci, all demes on a line
  printf '%s\n%s\n0\ny\ny\ny\ny\nn\ny\nn\nn\nn\nn\nn\nn\ny\nn\nn\n0\nf\n0\nn\n\n' "$file" "$fmt" >"$fmt-run.bat"
  "$bin" "$fmt-run.bat" -nogui -long=off >"$fmt-run.console" 2>&1 ||
    { echo "FAIL $fmt: run ended with status $?"; tail -3 "$fmt-run.console"; fail=1; continue; }
  Rscript "$src/tests/formats/adegenet_counts.R" "$fmt" "$file" "$fmt.tolm" "$nind" "$nloc" \
    "$fmt-out.txt" || fail=1
done
exit $fail
