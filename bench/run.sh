#!/usr/bin/env bash
# Times whole TOLM runs on synthetic input files and prints time, input megabytes per second
# and peak memory.
#
#   bench/run.sh [BUILD_DIR] [vcf|all]  (default: build; default: the rows of TOLM files;
#                                       "vcf": only the rows of the VCF reader; "all": every
#                                       row, multi-tab too)
#
# Cases:
#   single-N   all single loci, every analysis, results written to a file; N individuals,
#              20 loci, 50 demes, 10 alleles per locus, 1 % missing alleles; single-N-quiet
#              the same with -quiet (no record echo)
# Each row gives beside TOLM's time the time of `wc -w` on the same file, measured just before
# in the same run, and their ratio ("x wc"); the machine load is printed before and after. The
# runs leave out the exact tests (-exact=off): their chains are timed by bench/exact.sh.
#   multi-1e5  one multilocus combination of all 20 loci over 10^5 individuals (mostly
#              distinct haplotypes), gametic sex given in every deme, all four kinds of
#              distribution: diversity, distance d_0, differentiation D_j and delta (both
#              weightings) and their snails
#   multi-tab  the same with the frequency tables written out as well (about 200 MB of
#              results and 600 MB of table for 2 x 10^5 types in 50 demes)
#   vcf-2000x50000-convert  a VCF of 2000 samples by 50000 sites (10 % of them with three
#              alleles) read and converted into a TOLM input file
#   vcf-2000x50000-hw  a VCF of 2000 samples by 50000 two-allele sites in 10 demes (map file),
#              Hardy-Weinberg and homogeneity tests of every site (-analyses=7,9 -quiet)
#   vcf-*      VCF files of 100 samples in 10 demes (map file): conversion of 50000 sites, plain
#              and bgzipped, into a TOLM file (-convert=); counting 2000 sites with diversity
#              only, from the VCF and from its converted TOLM file (tolm-count-2000)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
only=${2:-}
bin=$(realpath "$build/tolm")
gen=$(realpath "$build/bench/tolm_gen")
genvcf=$(realpath "$build/bench/tolm_gen_vcf")
work=${TOLM_BENCH_DIR:-/tmp/tolm-bench}
mkdir -p "$work"
cd "$work"

# answers: input file, prefix, locus configuration, 4 distributions, ignore gametic sex,
# analyses 1-7 with refinements, 8-10, demes for output, output unit, width, more passes, return
all_single() {
  printf '%s\n\n0\ny\ny\ny\ny\nn\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\ny\n0\nf\n10\nn\n\n' "$1"
}
multi_all() {  # $2: answer to "Frequency distributions ?"
  printf '%s\n\n3\ny\ny\ny\ny\nn\n%s\ny\nn\nn\ny\ny\ny\ny\nn\nn\nn\nn\n0\nf\n10\nn\n\n' "$1" "$2"
}

secs_of() {  # seconds of wall-clock time of a command, its output dropped
  local t0 t1
  t0=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  t1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" 'BEGIN{printf "%.2f", b-a}'
}

# Each case runs $REPEAT times (TOLM_BENCH_REPEAT, default 3), `wc -w` on the same file just
# before each run; the row gives the best of each, the CPU time (user + sys) of TOLM's best run
# and its peak memory.
REPEAT=${TOLM_BENCH_REPEAT:-3}
row() {  # name input-file secs wc cpu rss
  local mb
  mb=$(awk -v b="$(stat -c %s "$2")" 'BEGIN{printf "%.1f", b/1048576}')
  awk -v n="$1" -v s="$3" -v m="$mb" -v w="$4" -v c="$5" -v r="$6" \
    'BEGIN{printf "| %-22s | %8.1f | %7.2f | %7.2f | %6.1f | %7.2f | %7.1f | %7.1f |\n", n, m, s, w, (w>0? s/w : 0), c, (s>0? m/s : 0), r}'
}
best_of() {  # name input-file command... : runs the command $REPEAT times beside wc -w
  local name=$1 input=$2
  shift 2
  local i secs cpu rss wc bs=0 bw=0 bc=0 br=0
  for i in $(seq "$REPEAT"); do
    rm -f "$input.cfg" "$input-out.txt" "$input-tab.txt" "$input-long.tsv"
    rm -rf "$input-Snails"
    wc=$(secs_of wc -w "$input")
    /usr/bin/time -v "$@" >"$name.console" 2>"$name.time" || {
      echo "$name: tolm failed"; tail -5 "$name.console"; return 1; }
    secs=$(awk -F': ' '/Elapsed \(wall clock\)/{n=split($2,a,":"); s=0; for(i=1;i<=n;i++) s=s*60+a[i]; print s}' "$name.time")
    cpu=$(awk -F': ' '/(User|System) time/{s+=$2} END{print s}' "$name.time")
    rss=$(awk -F': ' '/Maximum resident set size/{printf "%.1f", $2/1024}' "$name.time")
    if [ "$bs" = 0 ] || awk -v a="$secs" -v b="$bs" 'BEGIN{exit !(a<b)}'; then bs=$secs; bc=$cpu; br=$rss; fi
    if [ "$bw" = 0 ] || awk -v a="$wc" -v b="$bw" 'BEGIN{exit !(a<b)}'; then bw=$wc; fi
  done
  row "$name" "$input" "$bs" "$bw" "$bc" "$br"
}
run() {  # name batch-file input-file [option...]
  local name=$1 batch=$2 input=$3
  shift 3
  best_of "$name" "$input" "$bin" "$batch" -exact=off "$@"
}
head_row() {
  echo "| case                   | input MB | time s  | wc -w s | x wc   | cpu s   | MB/s    | peak MB |"
  echo "|------------------------|----------|---------|---------|--------|---------|---------|---------|"
}

if [ "$only" != vcf ]; then
echo "load before: $(uptime)"
head_row
for n in 10000 100000 1000000; do
  f=single-$n.dat
  [ -f "$f" ] || "$gen" --demes 50 --loci 20 --individuals $n --alleles 10 --missing 0.01 >"$f"
  all_single "$f" >"single-$n.bat"
  run "single-$n" "single-$n.bat" "$f"
  run "single-$n-quiet" "single-$n.bat" "$f" -quiet
done
f=multi-100000.dat
[ -f "$f" ] || "$gen" --demes 50 --loci 20 --individuals 100000 --alleles 10 --missing 0.001 --sex all >"$f"
multi_all "$f" n >multi.bat
run multi-1e5 multi.bat "$f"
if [ "$only" = all ]; then
  multi_all "$f" y >multi-tab.bat
  run multi-tab multi-tab.bat "$f"
fi
echo "load after: $(uptime)"
fi

# The VCF of 2000 samples by 50000 two-allele sites (10 demes): read and turned into a TOLM input
# file (-convert=), beside `wc -w` on the VCF.
[ "$only" = vcf ] || [ "$only" = all ] || exit 0
echo
echo "load before: $(uptime)"
head_row
big=vcf-2000x50000.vcf
[ -f "$big" ] || python3 "$here/gen_vcf.py" 50000 2000 10 "$big" vcf-big.map
echo "$big" >vcf-big.bat
rm -f "$big.tolm"
best_of vcf-2000x50000-convert "$big" "$bin" vcf-big.bat -nogui -popmap=vcf-big.map -convert="$big.tolm"
rm -f "$big.tolm"
# the same size, every site with two alleles, counted and tested straight from the VCF
hw=vcf-2000x50000-2al.vcf
[ -f "$hw" ] || "$genvcf" 50000 2000 10 "$hw" vcf-hw.map --three 0
best_of vcf-2000x50000-hw "$hw" "$bin" -input="$hw" -popmap=vcf-hw.map -analyses=7,9 -exact=off -quiet
echo "load after: $(uptime)"

# Reading VCF files: the conversion into a TOLM input file (-convert=) of a plain and a bgzipped
# VCF, with the demes from a map file; then the same data counted from the VCF and from the
# converted TOLM file (all single loci, diversity only), to set the VCF beside TOLM's own format.
vcfrun() {  # name input sites command...
  local name=$1 input=$2 sites=$3; shift 3
  /usr/bin/time -v "$@" >"$name.console" 2>"$name.time" || {
    echo "$name: tolm failed"; tail -5 "$name.console"; return 1; }
  local secs cpu mb rss
  secs=$(awk -F': ' '/Elapsed \(wall clock\)/{n=split($2,a,":"); s=0; for(i=1;i<=n;i++) s=s*60+a[i]; print s}' "$name.time")
  cpu=$(awk -F': ' '/(User|System) time/{s+=$2} END{print s}' "$name.time")
  rss=$(awk -F': ' '/Maximum resident set size/{printf "%.1f", $2/1024}' "$name.time")
  mb=$(awk -v b="$(stat -c %s "$input")" 'BEGIN{printf "%.2f", b/1048576}')
  awk -v n="$name" -v s="$secs" -v c="$cpu" -v m="$mb" -v r="$rss" -v k="$sites" \
    'BEGIN{printf "| %-15s | %8.2f | %7d | %8.2f | %8.2f | %8.1f | %9.0f | %8.1f |\n", n, m, k, s, c, (s>0? m/s : 0), (s>0? k/s : 0), r}'
}
echo
echo "| case            | input MB | sites   | time s   | cpu s    | MB/s     | sites/s   | peak MB  |"
echo "|-----------------|----------|---------|----------|----------|----------|-----------|----------|"
nsites=50000; nsmp=100
v=vcf-$nsites.vcf
[ -f "$v" ] || python3 "$here/gen_vcf.py" $nsites $nsmp 10 "$v" vcf.map
[ -f "$v.gz" ] || bgzip -c "$v" >"$v.gz"
echo "$v" >vcf-conv.bat; echo "$v.gz" >vcf-gz-conv.bat
rm -f "$v.tolm"; vcfrun vcf-convert "$v" $nsites "$bin" vcf-conv.bat -nogui -popmap=vcf.map -convert="$v.tolm"
rm -f "$v.gz.tolm"; vcfrun vcf-gz-convert "$v.gz" $nsites "$bin" vcf-gz-conv.bat -nogui -popmap=vcf.map -convert="$v.gz.tolm"
# counting: 2000 sites (the work arrays of a run grow with the square of the number of loci)
c=vcf-2000.vcf
[ -f "$c" ] || python3 "$here/gen_vcf.py" 2000 $nsmp 10 "$c" vcf.map
echo "$c" >vcf-conv2.bat
rm -f "$c.tolm"; "$bin" vcf-conv2.bat -nogui -popmap=vcf.map -convert="$c.tolm" >/dev/null
# answers: input file, prefix, all single loci, genotypes only, diversity only, file output
div_only() { printf '%s\n\n0\nn\nn\nn\ny\nn\nn\ny\nn\nn\nn\nn\nn\nn\nn\nn\nn\n0\nf\n10\nn\n\n' "$1"; }
for f in "$c" "$c.tolm"; do rm -f "$f.cfg" "$f-out.txt" "$f-tab.txt" "$f-long.tsv"; done
div_only "$c" >vcf-run.bat; div_only "$c.tolm" >tolm-run.bat
vcfrun vcf-count-2000 "$c" 2000 "$bin" vcf-run.bat -popmap=vcf.map -quiet -long=off
vcfrun tolm-count-2000 "$c.tolm" 2000 "$bin" tolm-run.bat -quiet -long=off
