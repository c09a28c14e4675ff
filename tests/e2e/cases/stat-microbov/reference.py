#!/usr/bin/env python3
"""Independent reference for the statistical tests of TOLM's results file.

Reads an input file (unformatted genotype records without gametic sex, as microbov.dat) and
computes from their definitions, per single locus and for the chosen demes:
  - the contingency test of homogeneity among demes, for the genes of individuals of identified
    genotype (alleles) and for the genotypes: E = row total x column total / N over the types
    present and the demes with data, G = 2 sum O ln(O/E), X2 = sum (O-E)^2/E, (r-1)(c-1) df;
  - per deme, the Hardy-Weinberg genotype test (cells i <= j of the alleles present,
    E = N p_i^2 or 2 N p_i p_j, A(A-1)/2 df) and the heterozygosity test (homozygotes against
    heterozygotes, 1 df), each with G and X2 and, at one df, X2 with continuity correction.
It lists the result blocks in the order of the results file, or, with --check RESULTS, reads
every "Test_statistics" block of RESULTS in order and compares degrees of freedom and values
(within 0.002: the program accumulates in 32-bit reals).

usage: reference.py INPUT --loci 1,5,26 --demes 1,6 [--check RESULTS]

The expected results file of this case (loci 1, 5 and 26 of demes 1 and 6) passes
    reference.py microbov.dat --loci 1,5,26 --demes 1,6 --check expect/sm-out.txt
"""
import math
import sys


def read_input(path):
    with open(path) as f:
        lines = [l.split() for l in f]
    nd, nl = int(lines[0][0]), int(lines[0][1])
    body = [l for l in lines[nl + nd + 2:] if l and not l[0].startswith('#')]
    data, loci = {}, []
    for rec in body:
        kp, ks = int(rec[0]), int(rec[1])
        nums = [int(x) for x in rec[2:]]
        if ks == 0:
            loci = [abs(nums[i]) for i in range(0, len(nums), 2) if nums[i] != 0]
            continue
        for j, l in enumerate(loci):
            a, b = nums[2 * j], nums[2 * j + 1]
            g = None if a < 0 or b < 0 else (min(a, b), max(a, b))
            data.setdefault((kp, l), []).append(g)
    return data


def stats(cells):
    """cells: (O, E) pairs; cells with E = 0 take no part."""
    g = x2 = yates = 0.0
    for o, e in cells:
        if e < 1e-5:
            continue
        if o > 0:
            g += o * math.log(o / e)
        x2 += (o - e) ** 2 / e
        yates += (abs(o - e) - 0.5) ** 2 / e
    return 2 * g, x2, yates


def contingency(tables):
    """tables: per deme a dict type -> count. Returns (df, G, X2, Yates)."""
    tables = [t for t in tables if sum(t.values()) > 0]
    types = sorted({k for t in tables for k, v in t.items() if v > 0})
    n = sum(sum(t.values()) for t in tables)
    cells = []
    for k in types:
        row = sum(t.get(k, 0) for t in tables)
        for t in tables:
            cells.append((t.get(k, 0), row * sum(t.values()) / n))
    df = (len(types) - 1) * (len(tables) - 1)
    return (df,) + stats(cells)


def hardy_weinberg(genos):
    n = len(genos)
    count = {}
    for a, b in genos:
        count[(a, b)] = count.get((a, b), 0) + 1
    p = {}
    for a, b in genos:
        p[a] = p.get(a, 0) + 0.5 / n
        p[b] = p.get(b, 0) + 0.5 / n
    al = sorted(p)
    if len(al) == 1:
        return None, None
    cells, hom, het = [], [0, 0.0], [0, 0.0]
    for i, a in enumerate(al):
        for b in al[i:]:
            e = n * p[a] ** 2 if a == b else 2 * n * p[a] * p[b]
            o = count.get((a, b), 0)
            cells.append((o, e))
            cls = hom if a == b else het
            cls[0] += o
            cls[1] += e
    gt = (len(al) * (len(al) - 1) // 2,) + stats(cells)
    ht = (1,) + stats([(het[0], het[1]), (hom[0], hom[1])])
    return gt, ht


def reference(data, loci, demes):
    out = []
    for l in loci:
        per = [[g for g in data.get((d, l), []) if g is not None] for d in demes]
        alleles = []
        for gs in per:
            t = {}
            for a, b in gs:
                t[a] = t.get(a, 0) + 1
                t[b] = t.get(b, 0) + 1
            alleles.append(t)
        genotypes = []
        for gs in per:
            t = {}
            for g in gs:
                t[g] = t.get(g, 0) + 1
            genotypes.append(t)
        for what, tabs in (("alleles", alleles), ("genotypes", genotypes)):
            r = contingency(tabs)
            if r[0] > 0:
                out.append((f"locus {l} homogeneity of {what}",) + r)
        for d, gs in zip(demes, per):
            if not gs:
                continue
            gt, ht = hardy_weinberg(gs)
            if gt is None:
                continue
            if gt[0] > 0:
                out.append((f"locus {l} deme {d} Hardy-Weinberg",) + gt)
            out.append((f"locus {l} deme {d} heterozygosity",) + ht)
    return out


def results_blocks(path):
    lines = open(path).read().split("\n")
    blocks = []
    for i, s in enumerate(lines):
        if s.startswith("Test_statistics"):
            df = int(s.split("(DF=")[1].rstrip(")"))
            g = float(lines[i + 2][12:21])
            x2 = float(lines[i + 3][12:21])
            y = float(lines[i + 4][12:21]) if df == 1 else None
            blocks.append((df, g, x2, y))
    return blocks


def main():
    args = sys.argv[1:]
    path = args[0]
    opt = {args[i]: args[i + 1] for i in range(1, len(args) - 1, 2)}
    loci = [int(x) for x in opt["--loci"].split(",")]
    demes = [int(x) for x in opt["--demes"].split(",")]
    ref = reference(read_input(path), loci, demes)
    if "--check" not in opt:
        for name, df, g, x2, y in ref:
            print(f"{name}: DF={df} G={g:.3f} X2={x2:.3f}" + (f" X2c={y:.3f}" if df == 1 else ""))
        return 0
    got = results_blocks(opt["--check"])
    bad = 0
    if len(got) != len(ref):
        print(f"{len(got)} result blocks, expected {len(ref)}")
        bad += 1
    for (name, df, g, x2, y), (gdf, gg, gx, gy) in zip(ref, got):
        ok = df == gdf and abs(g - gg) < 0.002 and abs(x2 - gx) < 0.002
        if df == 1:
            ok = ok and abs(y - gy) < 0.002
        print(("ok   " if ok else "DIFF ") + f"{name}: DF={df} G={g:.4f} X2={x2:.4f}"
              + ("" if ok else f"  (results: DF={gdf} G={gg} X2={gx})"))
        bad += not ok
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
