#!/usr/bin/env bash
# The same table of genotypes written in every format TOLM reads gives the same TOLM input file
# (compared with one written independently of the program), and every analysis gives the same
# results and tabular files; reading the converted file gives them too.
#
#   same_data.sh TOLM_BIN SOURCE_DIR WORK_DIR
set -u
bin=$(realpath "$1"); src=$(realpath "$2"); work=$3
data=$src/tests/data/formats
rm -rf "$work"; mkdir -p "$work"; cd "$work" || exit 1

# answers: input file, prefix, all single loci, the four distributions, gametic sex not
# ignored, every analysis with its refinements, all demes, file output, width, no more passes
answers() { printf '%s\nx\n0\ny\ny\ny\ny\nn\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\n0\nf\n10\nn\n\n' "$1"; }
# the lines naming the input file, its format and the date are the only ones that may differ
mask() { grep -v -e '^Input_file: ' -e '^Input_format: ' -e '^TOLM_INPUT__FILE ' -e '^Date ' "$1"; }

fail=0
run() {  # name input-path [options]
  local name=$1 file; file=$(basename "$2")
  mkdir -p "$name"; cp "$2" "$data/same.popmap" "$name/"; shift 2
  answers "$file" >"$name/batch.txt"
  (cd "$name" && "$bin" batch.txt -nogui -long=off "$@" >console 2>&1) ||
    { echo "FAIL $name: tolm ended with status $?"; tail -5 "$name/console"; fail=1; return 1; }
}

run tolm "$data/same.tolm"
for f in same.gen same-3digit.gen same.dat same.gtx same.str same-onerow.str same.csv same.vcf; do
  run "$f" "$data/$f" -popmap=same.popmap || continue
  grep -q 'read as ' "$f/console" || { echo "FAIL $f: no line naming the format"; fail=1; }
  for out in x-out.txt x-tab.txt; do
    if ! diff <(mask tolm/$out) <(mask "$f/$out") >"$f/$out.diff"; then
      echo "FAIL $f: $out differs from the run on the TOLM file"; head -20 "$f/$out.diff"; fail=1
    fi
  done
  # converting, then reading the converted file
  (cd "$f" && echo "$f" >conv.bat &&
    "$bin" conv.bat -nogui -popmap=same.popmap -convert=../$f.tolm >conv.console 2>&1)
  if ! cmp -s "$f.tolm" "$data/same.tolm"; then
    echo "FAIL $f: converted file differs from same.tolm"; diff "$data/same.tolm" "$f.tolm" | head; fail=1
  fi
  run "$f-converted" "$f.tolm" || continue
  for out in x-out.txt x-tab.txt; do
    diff -q <(mask "$f/$out") <(mask "$f-converted/$out") >/dev/null ||
      { echo "FAIL $f: $out of the converted file differs"; fail=1; }
  done
done
# the format given by option wins over the content
run forced "$data/same.gen" -format=genepop && grep -q 'read as Genepop' forced/console ||
  { echo "FAIL -format=genepop"; fail=1; }
[ $fail = 0 ] && echo "all formats give the same results"
exit $fail
