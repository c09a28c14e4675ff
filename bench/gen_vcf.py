#!/usr/bin/env python3
"""Synthetic VCF for the benchmark: SITES sites on one chromosome, SAMPLES samples in DEMES
demes (written to MAP as "sample deme" lines), 10 % of the sites with three alleles, 1 % of the
genotypes missing, phased and unphased mixed.

    gen_vcf.py SITES SAMPLES DEMES OUT.vcf MAP
"""
import random
import sys

sites, samples, demes = map(int, sys.argv[1:4])
out, popmap = sys.argv[4:6]
r = random.Random(1)
names = ["s%d" % i for i in range(samples)]
with open(popmap, "w") as f:
    for i, s in enumerate(names):
        f.write("%s\td%d\n" % (s, i % demes))
# a pool of genotype columns to draw from keeps the generator fast
pool2 = ["0/0", "0/1", "1/1", "0|1", "1|0", "./."]
w2 = [40, 30, 20, 4, 5, 1]
pool3 = pool2 + ["0/2", "1/2", "2/2"]
w3 = w2 + [10, 6, 3]
with open(out, "w") as f:
    f.write("##fileformat=VCFv4.2\n##contig=<ID=1,length=%d>\n" % (sites * 10 + 10))
    f.write('##FORMAT=<ID=GT,Number=1,Type=String,Description="Genotype">\n')
    f.write("\t".join(["#CHROM", "POS", "ID", "REF", "ALT", "QUAL", "FILTER", "INFO", "FORMAT"] + names) + "\n")
    for k in range(sites):
        three = r.random() < 0.1
        gts = r.choices(pool3 if three else pool2, weights=w3 if three else w2, k=samples)
        f.write("1\t%d\t.\tA\t%s\t.\tPASS\t.\tGT\t%s\n" % (10 * (k + 1), "C,G" if three else "C", "\t".join(gts)))
