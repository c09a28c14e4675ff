#!/bin/sh
# Count shards against one run: a bgzipped VCF of SAMPLES samples (10 demes) by SITES two-allele
# sites on 4 contigs (written by BUILD_DIR/bench/tolm_gen_vcf), analysed once whole, then through
# the Snakemake workflow in SHARDS shards by region with --cores 2 (count each shard, merge,
# analyse), and the merge with the analyses by itself.
# Prints one row per case: wall time, CPU time, peak resident memory, and the load average of
# the machine before and after.
#
#   bench/counts.sh [BUILD_DIR] [SITES] [SAMPLES] [SHARDS]   (default: build 4000 2000 8)
#
# TOLM_BENCH_ANALYSES replaces the options of the analyses (default below); the counting runs
# of the shards take -quiet (the workflow hands it to the merged run), as the single run does:
# the record echo of 2000 samples by 10^5 sites alone is 1.8 GB of console text.
set -eu
build=$(cd "${1:-build}" && pwd)
sites=${2:-4000}
nsmp=${3:-2000}
nshards=${4:-8}
here=$(cd "$(dirname "$0")" && pwd)
bin="$build/tolm"
dir=${TOLM_BENCH_DIR:-/tmp/tolm-bench}/counts-$sites-$nsmp
mkdir -p "$dir" && cd "$dir"
v=bench.vcf
if [ ! -f "$v.gz.tbi" ]; then
  rm -f "$v.gz"
  /usr/bin/time -f "VCF written in %e s (cpu %U + %S s)" \
    "$build/bench/tolm_gen_vcf" "$sites" "$nsmp" 10 "$v.gz" bench.map --contigs 4 --three 0
  tabix -p vcf "$v.gz"
fi
A="${TOLM_BENCH_ANALYSES:--analyses=1,2,3,4,5,7,8,9 -exact=off -long=on}"
row() {  # name log
  wall=$(sed -n 's/.*Elapsed (wall clock) time.*: //p' "$2" | awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
  user=$(sed -n 's/.*User time (seconds): //p' "$2")
  sys=$(sed -n 's/.*System time (seconds): //p' "$2")
  peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$2")
  printf '| %-16s | %8s | %8.2f | %8.2f | %8.1f |\n' "$1" "$sites x $nsmp" "$wall" \
    "$(echo "$user + $sys" | bc)" "$(echo "$peak / 1024" | bc -l)"
}
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "| case             | sites x samples | time s | cpu s | peak MB |"
echo "|------------------|----------|----------|----------|----------|"
/usr/bin/time -v "$bin" -input=$v.gz -popmap=bench.map $A -quiet -out=single -force >single.log 2>single.time
row single single.time
rm -rf shards .snakemake
# the CPU time of the workflow is that of its children (the TOLM runs)
/usr/bin/time -v snakemake -s "$here/../workflows/Snakefile" --cores 2 --quiet --config \
  vcf=$v.gz popmap=bench.map shards="$nshards" out=merged workdir=shards tolm="$bin" \
  count=-quiet analyses="$A" >workflow.log 2>workflow.time
row "workflow-$nshards" workflow.time
/usr/bin/time -v "$bin" -merge=@shards/merge.txt $A -quiet -out=merged-again -force >merge.log 2>merge.time
row "merge+analyses" merge.time
/usr/bin/time -v "$bin" -merge=@shards/merge.txt -emit=counts -out=merged-again -force >merge-only.log 2>merge-only.time
row "merge only" merge-only.time
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
for s in -out.txt -tab.txt; do
  grep -v -e '^Date ' -e '^TOLM_OUTPUT_FILE ' "single$s" >a.tmp
  grep -v -e '^Date ' -e '^TOLM_OUTPUT_FILE ' "merged$s" >b.tmp
  cmp -s a.tmp b.tmp || echo "** merged$s differs from single$s **"
done
