#!/bin/sh
# Count files: runs over shards of individuals and of loci, emitted and merged, give the results
# of one run over the whole file (results, tabular file and long table; the date and the name
# of the input file aside), and mismatched or damaged count files stop with a message.
# Usage: shards.sh TOLM SOURCE-DIR WORK-DIR
set -u
T=$1
SRC=$2
W=$3
rm -rf "$W" && mkdir -p "$W" && cd "$W" || exit 1
cp "$SRC/examples/microbov.dat" m.dat
cp "$SRC/tests/e2e/cases/acc-sexsome/sexsome.dat" s.dat
HERE="$SRC/tests/counts"
fails=0
bad() {
  echo "FAILED: $*"
  fails=$((fails + 1))
}
mask() {
  grep -v -e '^Date ' -e '^Input_file: ' -e '^TOLM_INPUT__FILE ' -e '^TOLM_OUTPUT_FILE ' "$1"
}
same_results() {  # prefix of the whole run, prefix of the merged run, what
  for s in -out.txt -tab.txt -long.tsv; do
    [ -f "$1$s" ] || { bad "$3: $1$s not written"; continue; }
    mask "$1$s" > a.tmp
    mask "$2$s" > b.tmp 2>/dev/null
    cmp -s a.tmp b.tmp || { bad "$3: $2$s differs from the single run"; diff a.tmp b.tmp | head -5; }
  done
}
# emit CASE OPTIONS FILES...: one count file per shard, CASE-1.counts ...
emit() {
  c=$1 o=$2
  shift 2
  i=0 list=""
  for f in "$@"; do
    i=$((i + 1))
    $T -input="$f" -out="$c-$i" -emit=counts $o > "$c-$i.log" 2>&1 || bad "$c: emit of $f (see $W/$c-$i.log)"
    list="$list${list:+,}$c-$i.counts"
  done
}
case_run() {  # CASE WHOLE-FILE OPTIONS SPLIT-KIND SPLIT-ARG
  c=$1 f=$2 o=$3
  $T -input="$f" -out="$c-whole" -analyses=all $o > "$c-whole.log" 2>&1 || bad "$c: single run"
  rm -f "$f".*
  if [ "$4" = individuals ]; then python3 "$HERE/split_individuals.py" "$f" "$5"; else python3 "$HERE/split_loci.py" "$f" "$5"; fi
  emit "$c" "$o" $(ls "$f".* | sort -V)
  $T -merge="$list" -out="$c-merged" -analyses=all $o > "$c-merged.log" 2>&1 || bad "$c: merged run (see $W/$c-merged.log)"
  same_results "$c-whole" "$c-merged" "$c"
}

# 1. shards of individuals: types first seen in later shards are numbered after the earlier ones
case_run ind m.dat "" individuals 3
# 2. shards of loci, side by side
case_run loci m.dat "" loci 11,21
# 3. multilocus combinations over shards of individuals
case_run multi m.dat "-combinations=1+2,3+4+5" individuals 4
# 4. gametic sex in some demes, missing alleles, one combination of both loci
case_run sex s.dat "-combinations=all" individuals 3
case_run sexsingle s.dat "" individuals 2
# 5. merged count files emitted again and merged with the rest, from a list file
$T -merge=ind-1.counts,ind-2.counts -out=ind12 -emit=counts > ind12.log 2>&1 || bad "re-emit of merged files"
printf '# shards\nind12.counts\n\nind-3.counts\n' > list.txt
$T -merge=@list.txt -out=ind-list -analyses=all > ind-list.log 2>&1 || bad "merge from a list file"
same_results ind-whole ind-list "list"

# 6. the choices made in the dialogue (a batch file without the input file name)
cp "$SRC/tests/e2e/cases/acc-sexsome/batch.txt" bw.txt
sed -i '1s/.*/s.dat/' bw.txt
tail -n +2 bw.txt > bm.txt
mkdir -p dlg && cp s.dat bw.txt bm.txt sexsingle-1.counts sexsingle-2.counts dlg/ && (
  cd dlg || exit 1
  $T bw.txt -nogui > whole.log 2>&1 || echo "FAILED: dialogue, single run"
  for s in -out.txt -tab.txt -long.tsv; do mv "s.dat$s" "whole$s"; done
  $T bm.txt -nogui -merge=sexsingle-1.counts,sexsingle-2.counts > merged.log 2>&1 ||
    echo "FAILED: dialogue, merged run"
  for s in -out.txt -tab.txt -long.tsv; do mv "sexsingle-1.counts$s" "merged$s" || echo "FAILED: dialogue, no merged$s"; done
) > dlg.log
[ -s dlg.log ] && bad "$(cat dlg.log)"
same_results dlg/whole dlg/merged "dialogue"

# 7. what does not fit stops with a message naming both files and what differs
expect_stop() {  # WHAT TEXT ARGS...
  w=$1 t=$2
  shift 2
  rm -f stop-out.txt
  $T "$@" -analyses=all -force > stop.log 2>&1
  rc=$?
  [ $rc -ne 0 ] || bad "$w: exit status 0"
  grep -q -- "$t" stop.log || { bad "$w: no message \"$t\""; cat stop.log | tail -3; }
  [ ! -f "stop-out.txt" ] || bad "$w: results written"
}
expect_stop "demes" '"ind-3.counts" and "sex-1.counts" have different demes: deme 1 is "Borgou" in the one, "Ridge" in the other' \
  -merge=ind-3.counts,sex-1.counts -out=stop
expect_stop "combinations" 'have different locus combinations' -merge=ind-1.counts,multi-2.counts -out=stop
rm -f m.dat.*
python3 "$HERE/split_loci.py" m.dat 11
$T -input=m.dat.L1 -out=mloc-1 -emit=counts -combinations=1+2 > /dev/null 2>&1
$T -input=m.dat.L2 -out=mloc-2 -emit=counts -combinations=1+2 > /dev/null 2>&1
expect_stop "loci and multilocus" 'multilocus combinations shard by individuals only' \
  -merge=mloc-1.counts,mloc-2.counts -out=stop
expect_stop "combination across shards" 'was not counted in the count files (multilocus combinations shard by individuals only' \
  -merge=loci-1.counts,loci-2.counts,loci-3.counts -combinations=1+15 -out=stop
head -c 300 ind-2.counts > cut.counts
expect_stop "cut short" '"cut.counts" damaged' -merge=ind-1.counts,cut.counts -out=stop
# one byte changed inside the compressed data, then inside the content (compressed again)
python3 - <<'PY'
import gzip
b = bytearray(open('ind-2.counts', 'rb').read()); b[len(b) // 2] ^= 0x55
open('flip.counts', 'wb').write(bytes(b))
c = bytearray(gzip.open('ind-2.counts').read()); c[len(c) // 2] ^= 0x01
open('flip2.counts', 'wb').write(gzip.compress(bytes(c)))
c = bytearray(gzip.open('ind-2.counts').read()); c[8] = 9
open('version.counts', 'wb').write(gzip.compress(bytes(c)))
PY
expect_stop "changed byte" '"flip.counts" damaged' -merge=ind-1.counts,flip.counts -out=stop
expect_stop "changed content" '"flip2.counts" damaged: the checksum does not match' -merge=ind-1.counts,flip2.counts -out=stop
expect_stop "version" '"version.counts" count file format version 9, this program reads 1' -merge=version.counts -out=stop
expect_stop "input and merge" 'give either -input= or -merge=' -merge=ind-1.counts -input=m.dat -out=stop
expect_stop "reading option" 'applies to reading an input file' -merge=ind-1.counts -region=1:1-5 -out=stop
expect_stop "no file" '"none.counts" cannot be opened' -merge=ind-1.counts,none.counts -out=stop

[ $fails -eq 0 ] && echo "count files: all cases pass"
[ $fails -eq 0 ]
