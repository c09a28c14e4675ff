#!/bin/sh
# The Snakemake workflow with --cores 2 on a generated VCF of 3 000 sites in 4 shards by
# region, against one run over the whole file: the same results, byte for byte but the date.
# Usage: workflow.sh TOLM SOURCE-DIR WORK-DIR
set -u
T=$1
SRC=$2
W=$3
for tool in snakemake bcftools bgzip tabix python3; do
  command -v $tool > /dev/null 2>&1 || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
rm -rf "$W" && mkdir -p "$W/data" && cd "$W" || exit 1
python3 "$SRC/workflows/make_vcf.py" data/g.vcf data/g.pop 3000 40 3 7 || exit 1
bgzip data/g.vcf && tabix -p vcf data/g.vcf.gz || exit 1
A="-analyses=1,2,3,4,5,7,8,9 -long=on"
$T -input=data/g.vcf.gz -popmap=data/g.pop $A -out=single > single.log 2>&1 || {
  echo "FAILED: single run"; tail -5 single.log; exit 1; }
snakemake -s "$SRC/workflows/Snakefile" --cores 2 --quiet \
  --config vcf=data/g.vcf.gz popmap=data/g.pop shards=4 out=merged workdir=shards \
  tolm="$T" analyses="$A" > snakemake.log 2>&1 || {
  echo "FAILED: snakemake"; tail -20 snakemake.log; exit 1; }
[ "$(grep -c . shards/merge.txt)" -eq 4 ] || { echo "FAILED: 4 count files expected"; exit 1; }
fails=0

for s in -out.txt -tab.txt -long.tsv; do
  grep -v -e '^Date ' -e '^TOLM_OUTPUT_FILE ' "data/single$s" > a.tmp
  grep -v -e '^Date ' -e '^TOLM_OUTPUT_FILE ' "merged$s" > b.tmp
  cmp -s a.tmp b.tmp || { echo "FAILED: merged$s differs"; diff a.tmp b.tmp | head; fails=1; }
done
# shards of individuals (blocks of samples, every block with every deme) with a multilocus
# combination
mkdir -p smp && python3 "$SRC/bench/gen_vcf.py" 400 40 4 smp/g.vcf smp/g.map > /dev/null &&
  bgzip smp/g.vcf && tabix -p vcf smp/g.vcf.gz || exit 1
B="-analyses=all -combinations=1+2+3"
$T -input=smp/g.vcf.gz -popmap=smp/g.map $B -out=single > smp-single.log 2>&1 || {
  echo "FAILED: single run by samples"; fails=1; }
snakemake -s "$SRC/workflows/Snakefile" --cores 2 --quiet --config vcf=smp/g.vcf.gz \
  popmap=smp/g.map shards=4 shard_by=samples out=smp-merged workdir=smp-shards tolm="$T" \
  count="-combinations=1+2+3" analyses="-analyses=all" > smp-snakemake.log 2>&1 || {
  echo "FAILED: snakemake by samples"; tail -20 smp-snakemake.log; fails=1; }
for s in -out.txt -tab.txt -long.tsv; do
  grep -v -e '^Date ' -e '^TOLM_OUTPUT_FILE ' "smp/single$s" > a.tmp
  grep -v -e '^Date ' -e '^TOLM_OUTPUT_FILE ' "smp-merged$s" > b.tmp 2>/dev/null
  cmp -s a.tmp b.tmp || { echo "FAILED: smp-merged$s differs"; diff a.tmp b.tmp | head; fails=1; }
done
# a deletion across a cut point is counted once; shards without a site are left out
mkdir -p del && printf '##fileformat=VCFv4.2\n##contig=<ID=c,length=1000>\n##FORMAT=<ID=GT,Number=1,Type=String,Description="GT">\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ta\tb\nc\t98\t.\tACGTAC\tA\t.\tPASS\t.\tGT\t0/1\t1/1\nc\t200\t.\tA\tC\t.\tPASS\t.\tGT\t0/1\t0/0\nc\t640\t.\tA\tG\t.\tPASS\t.\tGT\t1/1\t0/0\n' > del/d.vcf &&
  bgzip del/d.vcf && tabix -p vcf del/d.vcf.gz && printf 'a p1\nb p1\n' > del/d.map || exit 1
$T -input=del/d.vcf.gz -popmap=del/d.map -analyses=all -out=single > del-single.log 2>&1 ||
  { echo "FAILED: single run with a deletion"; fails=1; }
snakemake -s "$SRC/workflows/Snakefile" --cores 2 --quiet --config vcf=del/d.vcf.gz \
  popmap=del/d.map shards=10 out=del-merged workdir=del-shards tolm="$T" > del-snakemake.log 2>&1 ||
  { echo "FAILED: snakemake with a deletion"; tail -20 del-snakemake.log; fails=1; }
[ "$(grep -c . del-shards/merge.txt)" -eq 3 ] || { echo "FAILED: 3 shards with sites expected"; fails=1; }
for s in -out.txt -tab.txt; do
  grep -v -e '^Date ' -e '^TOLM_OUTPUT_FILE ' "del/single$s" > a.tmp
  grep -v -e '^Date ' -e '^TOLM_OUTPUT_FILE ' "del-merged$s" > b.tmp 2>/dev/null
  cmp -s a.tmp b.tmp || { echo "FAILED: del-merged$s differs"; diff a.tmp b.tmp | head; fails=1; }
done
# a multilocus combination over shards of loci is refused, saying why
snakemake -s "$SRC/workflows/Snakefile" --cores 1 -n --config vcf=data/g.vcf.gz \
  popmap=data/g.pop shards=4 out=m2 tolm="$T" count="-combinations=all" > multi.log 2>&1
grep -q "multilocus combinations (-combinations=) shard by individuals only" multi.log ||
  { echo "FAILED: no message for a multilocus combination"; fails=1; }
[ $fails -eq 0 ] && echo "workflow: 4 shards (by region, by samples) merged give the single run"
exit $fails
