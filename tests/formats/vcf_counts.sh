#!/usr/bin/env bash
# Allele counts per deme of TOLM's VCF reader against bcftools (AN and AC per sample set, from a
# random VCF with multi-allelic sites, missing and half-missing genotypes and phased ones); the
# same file as BCF and bgzipped gives the same TOLM file; -region= keeps the sites bcftools
# finds in the region.
#
#   vcf_counts.sh TOLM_BIN SOURCE_DIR WORK_DIR
set -u
bin=$(realpath "$1"); work=$3
for t in bcftools bgzip tabix python3; do
  command -v $t >/dev/null || { echo "SKIPPED: $t is not installed"; exit 77; }
done
rm -rf "$work"; mkdir -p "$work"; cd "$work" || exit 1
python3 - <<'PY'
import random
r = random.Random(11)
samples = ["s%02d" % i for i in range(42)]
with open("map.txt", "w") as f:
    for i, s in enumerate(samples[:40]):          # s40 and s41 are in no deme
        f.write("%s\t%s\n" % (s, ["North", "South", "East"][i % 3]))
lines = ["##fileformat=VCFv4.2", "##contig=<ID=chr1,length=100000>", "##contig=<ID=chr2,length=100000>",
         '##FORMAT=<ID=GT,Number=1,Type=String,Description="Genotype">',
         "\t".join(["#CHROM", "POS", "ID", "REF", "ALT", "QUAL", "FILTER", "INFO", "FORMAT"] + samples)]
for c in ("chr1", "chr2"):
    for k in range(15):
        n = r.choice([2, 2, 3, 4])
        gts = []
        for _ in samples:
            u = r.random()
            a = [str(r.randrange(n)) for _ in range(2)]
            if u < 0.05: a = [".", "."]
            elif u < 0.08: a[1] = "."
            gts.append(a[0] + r.choice("/|") + a[1])
        lines.append("\t".join([c, str(100 * (k + 1)), "." if k % 4 else "%s_%d" % (c, k), "A",
                                ",".join("CGT"[:n - 1]), ".", "PASS", ".", "GT"] + gts))
open("r.vcf", "w").write("\n".join(lines) + "\n")
PY
fail=0
conv() {  # input output [options]
  local in=$1 out=$2; shift 2
  echo "$in" >conv.bat
  "$bin" conv.bat -nogui -convert="$out" "$@" >"$out.console" 2>&1 ||
    { echo "FAIL $in: conversion ended with status $?"; tail -3 "$out.console"; fail=1; }
}
conv r.vcf r.tolm -popmap=map.txt
grep -q '2 of the 42 samples .* are left out' r.tolm.console ||
  { echo "FAIL: no console line counting the samples left out"; fail=1; }

# TOLM's copies of each allele per deme and site, from the converted file
python3 - r.tolm >tolm.counts <<'PY'
import sys
lines = open(sys.argv[1]).read().split("\n")
np_, nl = map(int, lines[0].split()[:2])
demes = [x.strip() for x in lines[1 + nl:1 + nl + np_]]
c = {}
for l in lines[np_ + nl + 2:]:
    v = list(map(int, l.split()))
    if len(v) < 2 or v[1] == 0: continue
    for j in range(nl):
        for a in v[2 + 2 * j:4 + 2 * j]:
            if a >= 1: c[(demes[v[0] - 1], j, a)] = c.get((demes[v[0] - 1], j, a), 0) + 1
for k in sorted(c): print("%s\t%d\t%d\t%d" % (k[0], k[1] + 1, k[2], c[k]))
PY
# bcftools: AN and AC per deme; REF = AN - sum(AC); allele number = index + 1
for d in North South East; do
  awk -v d=$d '$2 == d {print $1}' map.txt >$d.samples
  bcftools view -S $d.samples r.vcf 2>/dev/null | bcftools +fill-tags -- -t AN,AC 2>/dev/null |
    bcftools query -f '%AN\t%AC\n' | awk -v d=$d '{
      n = split($2, ac, ","); s = 0; for (i = 1; i <= n; i++) { s += ac[i]; if (ac[i] > 0) print d "\t" NR "\t" i + 1 "\t" ac[i] }
      if ($1 - s > 0) print d "\t" NR "\t1\t" $1 - s }'
done | sort >bcftools.counts
sort tolm.counts >tolm.sorted
if ! diff tolm.sorted bcftools.counts >counts.diff; then
  echo "FAIL: allele counts per deme differ from bcftools"; head counts.diff; fail=1
else
  echo "ok: $(wc -l <bcftools.counts) allele counts per deme and site agree with bcftools"
fi

# the same file bgzipped and indexed, and as BCF
bgzip -c r.vcf >r.vcf.gz && tabix -p vcf r.vcf.gz
bcftools view -Ob -o r.bcf r.vcf && bcftools index r.bcf
conv r.vcf.gz gz.tolm -popmap=map.txt
conv r.bcf bcf.tolm -popmap=map.txt
cmp -s r.tolm gz.tolm || { echo "FAIL: the bgzipped file gives another TOLM file"; fail=1; }
cmp -s r.tolm bcf.tolm || { echo "FAIL: the BCF file gives another TOLM file"; fail=1; }

# a region: the sites bcftools finds there
conv r.vcf.gz reg.tolm -popmap=map.txt -region=chr2:200-900
want=$(bcftools view -H -r chr2:200-900 r.vcf.gz | wc -l)
got=$(awk 'NR == 1 {print $2}' reg.tolm)
[ "$want" = "$got" ] || { echo "FAIL: -region= gives $got loci, bcftools $want sites"; fail=1; }
# -samples=: only the samples listed, with the genotypes they have in the whole file
printf 's01\ns02\ns03\n' >three.txt
conv r.vcf three.tolm -popmap=map.txt -samples=three.txt
recs() { awk -v skip="$2" 'NR > skip && $2 != 0 {$2 = ""; print}' "$1"; }
head=$((1 + 30 + 3 + 1 + 3))  # record 1, locus names, deme names, UNFORMATTED, locus lists
if [ "$(recs three.tolm $head)" != "$(recs r.tolm $head | sed -n 2,4p)" ]; then
  echo "FAIL: -samples= does not give the genotypes of the samples listed"; fail=1
fi
[ $fail = 0 ] && echo "VCF, bgzipped VCF and BCF read alike"
exit $fail
