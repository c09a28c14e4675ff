#!/usr/bin/env bash
# Times the exact tests on the bundled cattle data (examples/microbov.dat: 15 demes, 30
# microsatellite loci) at the default chain settings, and prints wall-clock and CPU seconds
# (user + system) and the load average of the machine before and after.
#
#   bench/exact.sh [BUILD_DIR]        (default: build)
#
# Cases (all single loci, allele and genotype distributions, nothing else chosen):
#   hw           Hardy-Weinberg exact tests, 30 loci x 15 demes (with deficit and excess)
#   hw+hom       the same and the homogeneity exact tests of both kinds, among all demes and
#                for every pair of demes (105 pairs per locus and kind)
#   hw+hom-off   the same run with -exact=off: the cost of the chi-square tests alone
#   hw+hom-1     hw+hom on one thread (-threads=1): the same p-values, the CPU time unshared
set -euo pipefail
build=${1:-build}
bin=$(realpath "$build/tolm")
src=$(cd "$(dirname "$0")/.." && pwd)
work=${TOLM_BENCH_DIR:-/tmp/tolm-bench-exact}
mkdir -p "$work"
cd "$work"
cp "$src/examples/microbov.dat" .

# answers: input, prefix, single loci, kinds (alleles, genotypes), gametic sex, analyses 1-7
# (only 7 = homogeneity as $2), heterozygosity, Hardy-Weinberg, product, all demes, file, width
batch() {
  printf 'microbov.dat\n%s\n0\nn\nn\ny\ny\nn\nn\nn\nn\nn\nn\nn\n%s\nn\ny\nn\n0\nf\n10\nn\n\n' "$1" "$2"
}

run() {  # name homogeneity(y/n) [options]
  local name=$1 hom=$2
  shift 2
  rm -f microbov.dat.cfg "$name"-*
  batch "$name" "$hom" >"$name.bat"
  /usr/bin/time -f '%e %U %S' -o "$name.time" "$bin" "$@" "$name.bat" >"$name.console" 2>&1 || {
    echo "$name: tolm failed"; tail -5 "$name.console"; return 1; }
  read -r wall user sys <"$name.time"
  local cpu
  cpu=$(echo "$user + $sys" | bc)
  local chains enums
  chains=$(grep -c 'exact-mcmc' "$name-long.tsv" || true)
  enums=$(grep -c 'exact-enumeration' "$name-long.tsv" || true)
  printf '| %-11s | %8.2f | %8.2f | %7s | %7s |\n' "$name" "$wall" "$cpu" "$chains" "$enums"
}

echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "| case        | wall s   | CPU s    | chains  | enumer. |"
echo "|-------------|----------|----------|---------|---------|"
run hw n
run hw+hom y
run hw+hom-off y -exact=off
run hw+hom-1 y -threads=1
if cmp -s hw+hom-long.tsv hw+hom-1-long.tsv; then
  echo "long tables of hw+hom and hw+hom-1: identical"
else
  echo "long tables of hw+hom and hw+hom-1 DIFFER"
fi
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
