#!/usr/bin/env bash
# Allele counts of TOLM's readers against adegenet's (R) on Genepop, FSTAT, Genetix and
# STRUCTURE files written from one random table.
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
  Rscript "$src/tests/formats/adegenet_counts.R" "$fmt" "$file" "$fmt.tolm" "$nind" "$nloc" || fail=1
done
exit $fail
