#!/usr/bin/env bash
# Two alleles: TOLM's Hardy-Weinberg p-values equal plink2 --hardy to 1e-6 on a VCF of 300
# sites with genotype counts from strong deficit through proportions to strong excess.
#   plink2-hardy.sh EXACT_CLI WORKDIR
set -euo pipefail
cli=$(realpath "$1") work=$2
command -v plink2 >/dev/null || { echo "SKIPPED: plink2 not installed"; exit 77; }
command -v python3 >/dev/null || { echo "SKIPPED: python3 not installed"; exit 77; }
rm -rf "$work" && mkdir -p "$work" && cd "$work"
python3 - <<'PY'
import random
random.seed(19)
n = 120
sites = []
while len(sites) < 300:
    q = random.uniform(0.02, 0.6)
    f = random.uniform(-0.6, 0.8)  # inbreeding: positive deficit, negative excess
    paa = max(0.0, q * q + f * q * (1 - q))
    pab = max(0.0, 2 * q * (1 - q) * (1 - f))
    g = random.choices([0, 1, 2], weights=[1 - paa - pab if 1 - paa - pab > 0 else 0, pab, paa], k=n)
    if g.count(1) + 2 * g.count(2) in (0, 2 * n):
        continue
    sites.append(g)
with open("f.vcf", "w") as v, open("tables.txt", "w") as t:
    v.write("##fileformat=VCFv4.2\n##contig=<ID=1>\n")
    v.write('##FORMAT=<ID=GT,Number=1,Type=String,Description="Genotype">\n')
    v.write("#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\t" +
            "\t".join("s%d" % i for i in range(n)) + "\n")
    for k, g in enumerate(sites):
        gt = {0: "0/0", 1: "0/1", 2: "1/1"}
        v.write("1\t%d\tv%d\tA\tC\t.\t.\t.\tGT\t%s\n" % (k + 1, k, "\t".join(gt[x] for x in g)))
        t.write("hw 2 %d %d %d\n" % (g.count(0), g.count(1), g.count(2)))
PY
plink2 --vcf f.vcf --hardy --out x >plink.log 2>&1 || { cat plink.log; exit 1; }
"$cli" <tables.txt >tolm.txt
python3 - <<'PY'
import sys
rows = [l.split() for l in open("x.hardy") if not l.startswith("#")]
head = [l for l in open("x.hardy") if l.startswith("#")][0].split()
ip = head.index("P")
ours = [float(l.split()[0]) for l in open("tolm.txt")]
assert len(rows) == len(ours) == 300, (len(rows), len(ours))
bad = [(i, float(r[ip]), o) for i, (r, o) in enumerate(zip(rows, ours)) if abs(float(r[ip]) - o) > 1e-6]
for b in bad[:10]:
    print("site %d: plink2 %.10g, TOLM %.10g" % b)
small = sum(1 for r in rows if float(r[ip]) < 1e-3)
print("%d sites, %d with p < 0.001, %d differ" % (len(rows), small, len(bad)))
sys.exit(1 if bad or small < 20 else 0)
PY
