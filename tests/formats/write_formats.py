#!/usr/bin/env python3
"""Writes one table of diploid genotypes in each genotype file format TOLM reads.

    write_formats.py OUTDIR PREFIX TABLE

TABLE is "small" (the hand-made table below: missing genotypes, one genotype with one allele
missing, 2- and 3-digit Genepop codes, a multi-allelic VCF site) or "random:SEED" (5 demes,
6 loci, 3-digit alleles, whole genotypes missing only: what every outside reader takes alike).
A missing allele is 0. VCF allele numbers are the allele index + 1, so the VCF writer needs
alleles 1..k at each locus; the random table writes no VCF.
"""
import gzip
import os
import random
import sys

SMALL_LOCI = ["Loc1", "Loc2", "Loc3", "Loc4"]
SMALL_DEMES = ["1", "2", "3"]
# deme, label, (a, b) per locus; Loc1 has three alleles (a multi-allelic VCF site)
SMALL = [
    (1, "ind1", [(1, 2), (1, 1), (2, 2), (1, 3)]),
    (1, "ind2", [(2, 3), (1, 2), (0, 0), (3, 3)]),
    (1, "ind3", [(1, 1), (2, 2), (1, 2), (2, 3)]),
    (1, "ind4", [(3, 3), (1, 2), (1, 1), (1, 1)]),
    (2, "ind5", [(1, 3), (2, 2), (2, 2), (1, 2)]),
    (2, "ind6", [(2, 2), (1, 0), (1, 2), (3, 3)]),   # one allele missing at Loc2
    (2, "ind7", [(1, 2), (1, 1), (2, 2), (2, 2)]),
    (3, "ind8", [(3, 3), (2, 2), (1, 1), (1, 3)]),
    (3, "ind9", [(0, 0), (1, 2), (1, 2), (2, 3)]),   # Loc1 missing
    (3, "ind10", [(2, 3), (1, 1), (2, 2), (1, 1)]),
    (3, "ind11", [(1, 2), (2, 2), (1, 1), (3, 3)]),
]


def random_table(seed):
    rnd = random.Random(seed)
    loci = ["L%d" % (i + 1) for i in range(6)]
    demes = [str(k + 1) for k in range(5)]
    codes = [sorted(rnd.sample(range(90, 160, 2), rnd.randint(2, 7))) for _ in loci]
    rows = []
    for k in range(5):
        for i in range(rnd.randint(6, 14)):
            g = []
            for l in range(len(loci)):
                if rnd.random() < 0.05:
                    g.append((0, 0))
                else:
                    w = [1.0 / (1 + j + k * (l % 2)) for j in range(len(codes[l]))]
                    g.append(tuple(rnd.choices(codes[l], w, k=2)))
            rows.append((k + 1, "p%di%d" % (k + 1, i + 1), g))
    return loci, demes, rows


def write(path, text):
    with open(path, "w") as f:
        f.write(text)


def genepop(loci, demes, rows, digits, named):
    out = ["Test data of TOLM's readers", ",".join(loci) if digits == 3 else "\n".join(loci)]
    for k, name in enumerate(demes, 1):
        out.append("Pop " + name if named else "Pop")   # unnamed: the first label names it
        for d, lab, g in rows:
            if d == k:
                out.append("%s , %s" % (lab, " ".join("%0*d%0*d" % (digits, a, digits, b) for a, b in g)))
    return "\n".join(out) + "\n"


def fstat(loci, demes, rows):
    maxa = max(max(a, b) for _, _, g in rows for a, b in g)
    dig = 3 if maxa > 99 else 2
    out = ["%d %d %d %d" % (len(demes), len(loci), maxa, dig)] + loci
    for d, _, g in rows:
        out.append("%d " % d + " ".join("%0*d" % (2 * dig, a * 10 ** dig + b) for a, b in g))
    return "\n".join(out) + "\n"


def genetix(loci, demes, rows):
    out = ["%d" % len(loci), "%d" % len(demes)]
    for l, name in enumerate(loci):
        al = sorted({x for _, _, g in rows for x in g[l] if x})
        out += [name, "%d " % len(al) + " ".join("%03d" % a for a in al)]
    for k, name in enumerate(demes, 1):
        mine = [r for r in rows if r[0] == k]
        out += [name, "%d" % len(mine)]
        for _, lab, g in mine:
            out.append("%-10s" % lab + " ".join("%03d%03d" % ab for ab in g))
    return "\n".join(out) + "\n"


def structure(loci, demes, rows, tworows):
    out = ["\t".join(loci)]
    for d, lab, g in rows:
        v = [[x if x else -9 for x in ab] for ab in g]
        if tworows:
            for s in range(2):
                out.append("\t".join([lab, str(d)] + [str(x[s]) for x in v]))
        else:
            out.append("\t".join([lab, str(d)] + [str(x) for ab in v for x in ab]))
    return "\n".join(out) + "\n"


def genalex(loci, demes, rows):
    sizes = [sum(1 for r in rows if r[0] == k) for k in range(1, len(demes) + 1)]
    out = [",".join(map(str, [len(loci), len(rows), len(demes)] + sizes)),
           ",".join(["Test data", "", ""] + demes),
           ",".join(["Ind", "Pop"] + [x for l in loci for x in (l, "")])]
    for d, lab, g in rows:
        out.append(",".join([lab, demes[d - 1]] + [str(x) for ab in g for x in ab]))
    return "\r\n".join(out) + "\r\n"   # as the spreadsheet writes it


def vcf(loci, demes, rows):
    out = ["##fileformat=VCFv4.2", "##contig=<ID=chr1,length=100000>",
           '##FORMAT=<ID=GT,Number=1,Type=String,Description="Genotype">',
           "\t".join(["#CHROM", "POS", "ID", "REF", "ALT", "QUAL", "FILTER", "INFO", "FORMAT"]
                     + [r[1] for r in rows])]
    bases = "ACGT"
    for l, name in enumerate(loci):
        n = max(x for _, _, g in rows for x in g[l])
        alt = ",".join(bases[1:n]) if n > 1 else "."
        gts = []
        for i, (_, _, g) in enumerate(rows):
            a, b = (str(x - 1) if x else "." for x in g[l])
            gts.append(a + ("|" if i % 2 else "/") + b)   # phase says nothing of gametic sex
        out.append("\t".join(["chr1", str(100 * (l + 1)), name, "A", alt, ".", "PASS", ".", "GT"] + gts))
    return "\n".join(out) + "\n"


def main():
    outdir, prefix, table = sys.argv[1:4]
    if table == "small":
        loci, demes, rows = SMALL_LOCI, SMALL_DEMES, SMALL
    else:
        loci, demes, rows = random_table(int(table.split(":")[1]))
    p = os.path.join(outdir, prefix)
    write(p + ".gen", genepop(loci, demes, rows, 2 if table == "small" else 3, table == "small"))
    if table == "small":
        write(p + "-3digit.gen", genepop(loci, demes, rows, 3, True))
    write(p + ".dat", fstat(loci, demes, rows))
    write(p + ".gtx", genetix(loci, demes, rows))
    write(p + ".str", structure(loci, demes, rows, True))
    write(p + "-onerow.str", structure(loci, demes, rows, False))
    write(p + ".csv", genalex(loci, demes, rows))
    if table == "small":
        write(p + ".vcf", vcf(loci, demes, rows))
        write(p + ".popmap", "".join("%s\t%s\n" % (r[1], demes[r[0] - 1]) for r in rows)
              + "absent\t9\n")
        # the TOLM file the conversion must give, written independently of the program
        out = ["%d %d" % (len(demes), len(loci))] + loci + demes + ["UNFORMATTED"]
        for k in range(1, len(demes) + 1):
            out.append("%d 0 " % k + " ".join("%d 0" % (l + 1) for l in range(len(loci))))
        for i, (d, _, g) in enumerate(rows, 1):
            out.append("%d %d " % (d, i) + " ".join("%d %d" % (a or -1, b or -1) for a, b in g))
        write(p + ".tolm", "\n".join(out) + "\n")


main()
