#!/usr/bin/env python3
"""Checks that every number of a tabular file (outside its gene-pool sections) has its row in
the long table of the same run, and that no value of the long table stands in two rows.

    covered.py TABFILE LONGFILE

The tabular file is walked section by section (the loci and the kind from its heading), table by
table; each cell is looked up among the rows of its measure, deme, second deme and type. A cell
"NA" needs a row with an empty value; a number with d decimals a row whose value rounds to it.
The "Sum" rows of the frequency tables are checked against the sums of the rows of the deme.
"""
import csv
import sys
from collections import defaultdict

COLUMNS = {
    "DemeSize": "count_total", "Alpha": "alpha", "Alpha-HWP": "alpha_hwp",
    "v2-Divers": "diversity_v2", "deltaT": "differentiation_delta_T",
    "EvnFinAbs": "evenness_finite", "EvnFinRel": "evenness_finite_relative",
    "EvnFinNum": "evenness_finite_types", "EvnInfAbs": "evenness_infinite",
    "EvnInfRel": "evenness_infinite_relative", "EvnInfNum": "evenness_infinite_types",
    "CjDemSiz": "relative_size_Cj", "DjDemSiz": "differentiation_Dj",
    "deltaDmS": "differentiation_delta", "CjEquSiz": "relative_size_Cj_equal",
    "DjEquSiz": "differentiation_Dj_equal", "deltaEqS": "differentiation_delta_equal",
    "PropHeter": "heterozygosity_observed", "CondHeter": "heterozygosity_conditional",
    "MeanHeter": "heterozygosity_mean_degree",
}
WHOLE = {"differentiation_delta", "differentiation_delta_equal"}
KINDS = [("MATERNAL_", "maternal"), ("PATERNAL_", "paternal"), ("GENOTYPE_", "genotypes"),
         ("ALLELE_", "alleles"), ("HAPLOTYPE_", "alleles")]
OURS = set(COLUMNS.values()) | {"count", "relative_frequency", "sample_size", "identified",
                                "unknown", "distance_d0", "evenness_finite_types_through",
                                "evenness_infinite_types_through",
                                "heterozygosity_degree_count",
                                "heterozygosity_degree_proportion"}


def load_long(path):
    rows = defaultdict(list)
    seen = set()
    dup = []
    with open(path, newline="", encoding="utf-8") as f:
        for r in csv.DictReader(f, delimiter="\t", quoting=csv.QUOTE_NONE):
            typ = " ".join(r["type"].split())  # the tabular file pads alleles to 3 columns
            key = (r["loci"], r["kind"], r["measure"], r["deme"], r["other_deme"], typ)
            rows[key].append(r)
            if r["measure"] in OURS:
                full = (r["pass"], r["combination"]) + key
                if full in seen:
                    dup.append(full)
                seen.add(full)
    return rows, dup


def matches(cell, value):
    cell = cell.strip()
    if cell == "NA":
        return value == ""
    if value == "":
        return False
    if set(cell) == {"*"}:
        return True  # too wide for the tabular cell
    v = float(value)
    if "." not in cell:
        return v == int(cell)
    d = len(cell) - cell.index(".") - 1
    return abs(v - float(cell)) <= 0.5 * 10**-d + 1e-6


def main(tabfile, longfile):
    rows, dup = load_long(longfile)
    lines = open(tabfile, encoding="utf-8").read().split("\n")
    failures = [f"value in two rows: {d}" for d in dup[:5]]
    checked = skipped = 0
    loci = kind = None
    pool = False

    def find(measure, deme, cell, other="", typ=""):
        nonlocal checked
        checked += 1
        cands = rows.get((loci, kind, measure, deme, other, typ), [])
        if not any(matches(cell, r["value"]) for r in cands):
            got = [r["value"] for r in cands]
            failures.append(f"{loci} {kind} {measure} deme={deme} other={other} type={typ!r}: "
                            f"tabular {cell.strip()!r}, long {got}")

    per_deme = defaultdict(list)  # the values of pass 1 by loci, kind, measure and deme
    for key, rs in rows.items():
        per_deme[key[:4]] += [r["value"] for r in rs if r["pass"] == "1"]

    def deme_sum(measure, deme):
        return per_deme.get((loci, kind, measure, deme), [])

    i = 4
    while i < len(lines):
        line = lines[i]
        cells = line.split("\t")
        if line.startswith(("LOCUS_NO. ", "LOCUS_COMBINATION_N0._", "MULTILOCUS_COMBINATION",
                            "GENE_POOL - ")):
            pool = line.startswith("GENE_POOL")
            names = []
            if not line.startswith("LOCUS_NO. "):
                i += 1
            while lines[i].startswith("LOCUS_NO. "):
                names.append(lines[i].split("\t")[1].strip('"'))
                i += 1
            loci = "+".join(names)
            if pool:  # the kind stands in the heading itself; the section is not ours
                continue
            title = lines[i].strip()
            kind = next(k for p, k in KINDS if title.startswith(p))
            i += 1
            continue
        if pool or line == "":
            i += 1
            continue
        if line.startswith(("Absolute_freq", "Relative_freq")):
            absolute = line.startswith("Absolute")
            measure = "count" if absolute else "relative_frequency"
            demes = [c.strip() for c in lines[i + 1].split("\t")[1:-1]]
            i += 2
            while lines[i].startswith("Type_"):
                c = lines[i].split("\t")
                typ = " ".join(c[-1].strip().strip('"').strip("{}").split())
                for d, v in zip(demes, c[1:-1]):
                    find(measure, d, v, typ=typ)
                i += 1
            c = lines[i].split("\t")  # the Sum row
            for d, v in zip(demes, c[1:-1]):
                checked += 1
                vals = deme_sum(measure, d)
                if v.strip() == "NA":
                    ok = all(x == "" for x in vals)
                else:
                    tot = sum(float(x) for x in vals if x != "")
                    ok = abs(tot - float(v)) <= (0 if absolute else 0.0005 + 1e-4 * len(vals))
                if not ok:
                    failures.append(f"{loci} {kind} Sum of {measure} deme {d}: {v.strip()}")
                if absolute and deme_sum("count_total", d):
                    find("count_total", d, v)
            i += 1
            continue
        if line == "Measures_of_genetic_variation:":
            heads = [h.strip() for h in lines[i + 1].split("\t")[2:-1]]
            i += 2
            while lines[i] != "":
                c = lines[i].split("\t")
                d = c[0].strip()
                name = c[1].strip('"').rstrip()
                named = rows.get((loci, kind, "sample_size", d, "", "")) or \
                    rows.get((loci, kind, "count_total", d, "", "")) or []
                if named and not named[0]["deme_name"].startswith(name):
                    failures.append(f"deme {d}: name {named[0]['deme_name']!r} for {name!r}")
                for h, v in zip(heads, c[2:-1]):
                    m = COLUMNS[h]
                    if m == "count_total" and not deme_sum(m, d):
                        # Without the measures of variation the column holds what the frequency
                        # tables left in their work array, not a deme size: no row to find.
                        skipped += 1
                        continue
                    find(m, "" if m in WHOLE else d, v)
                i += 1
            continue
        if line == "Genetic_distance_d_0":
            demes = [c.strip() for c in lines[i + 1].split("\t")[1:-1]]
            i += 2
            while i < len(lines) and lines[i] != "":
                c = lines[i].split("\t")
                for other, v in zip(demes, c[1:-1]):
                    find("distance_d0", c[0].strip(), v, other=other)
                i += 1
            continue
        if line == "Exact_tests:":
            # Test, Kind, Combination, Deme, Other_deme, p-value, S.E., Method: each p-value
            # and its standard error stand in the row of that test.
            i += 2
            while i < len(lines) and lines[i] != "":
                c = [x.strip() for x in lines[i].split("\t")]
                deme = "" if c[3] == "NA" else c[3]
                other = "" if c[4] == "NA" else c[4]
                cands = [r for key, rs in rows.items() for r in rs
                         if key[1] == c[1] and key[2] == c[0] and key[3] == deme
                         and key[4] == other and r["combination"] in (c[2], "")]
                checked += 1
                if not any(matches(c[5], r["p_value"]) and matches(c[6], r["p_se"])
                           for r in cands):
                    failures.append(f"exact test {c[:5]}: tabular p {c[5]}, se {c[6]}, "
                                    f"long {[(r['p_value'], r['p_se']) for r in cands][:3]}")
                i += 1
            continue
        failures.append(f"line {i + 1} not understood: {line[:60]!r}")
        i += 1

    for f in failures[:25]:
        print("FAIL:", f)
    print(f"{checked} values of {tabfile} looked up, {len(failures)} failures"
          + (f" ({skipped} DemeSize cells without measures of variation passed over)"
             if skipped else ""))
    return 1 if failures or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
