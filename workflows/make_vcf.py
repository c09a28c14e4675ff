#!/usr/bin/env python3
"""Writes a random VCF of diploid genotypes (SNPs on two contigs) and a population map, for
trying and testing the workflow: make_vcf.py OUT.vcf POPMAP SITES SAMPLES DEMES [SEED]."""
import random
import sys

out, popmap, sites, samples, demes = sys.argv[1], sys.argv[2], *map(int, sys.argv[3:6])
rnd = random.Random(int(sys.argv[6]) if len(sys.argv) > 6 else 1)
contigs = [("chr1", 600000), ("chr2", 400000)]
names = ["s%d" % (i + 1) for i in range(samples)]
deme = [i * demes // samples for i in range(samples)]
with open(popmap, "w") as f:
    for n, d in zip(names, deme):
        f.write("%s\tpop%d\n" % (n, d + 1))
total = sum(l for _, l in contigs)
with open(out, "w") as f:
    f.write("##fileformat=VCFv4.2\n")
    for c, l in contigs:
        f.write("##contig=<ID=%s,length=%d>\n" % (c, l))
    f.write('##FORMAT=<ID=GT,Number=1,Type=String,Description="Genotype">\n')
    f.write("#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\t" + "\t".join(names) + "\n")
    for c, l in contigs:
        n = sites * l // total
        for pos in sorted(rnd.sample(range(1, l + 1), n)):
            nalt = 1 if rnd.random() < 0.9 else 2
            alt = ",".join("ACGT"[(k + 1) % 4] for k in range(nalt))
            # allele frequencies differ a little between demes
            base = [rnd.random() for _ in range(demes)]
            gts = []
            for d in deme:
                if rnd.random() < 0.02:
                    gts.append("./.")
                    continue
                p = base[d]
                a = [0 if rnd.random() < p else rnd.randint(1, nalt) for _ in range(2)]
                gts.append("%d/%d" % (a[0], a[1]))
            f.write("%s\t%d\t.\tA\t%s\t.\tPASS\t.\tGT\t%s\n" % (c, pos, alt, "\t".join(gts)))
