#!/usr/bin/env python3
"""Intervals over loci of the gene-pool measures, checked on the cattle data (30 loci).

1. Jackknife: the program's limits equal, to 1e-6, limits computed here from 30 runs of the
   program itself, each on the same data with one locus left out (locus configuration "some
   single loci"), whose gene-pool values are read from their long tables.
2. The estimate lies inside its jackknife and bootstrap intervals, for every measure.
3. A fixed seed gives the same files twice, whatever the number of threads; another seed gives
   other bootstrap limits; -ci=off leaves the results without the block and the long table
   without limits.

usage: check_intervals.py TOLM EXAMPLES_DIR WORK_DIR
"""
import csv
import math
import os
import shutil
import struct
import subprocess
import sys

tolm, examples, work = (os.path.abspath(a) for a in sys.argv[1:4])
NLOC = 30


def f32(x):
    """The 32-bit value a long-table cell was written from."""
    return struct.unpack("f", struct.pack("f", float(x)))[0]


def batch(prefix, loci):
    """The answers of examples/all-loci.txt, for the loci `loci` (None: all single loci)."""
    lines = open(os.path.join(examples, "all-loci.txt")).read().split("\n")
    lines[1] = prefix
    if loci is not None:
        lines[2:3] = ["1", str(len(loci)), " ".join(str(l) for l in loci)]
    return "\n".join(lines)


def run(name, loci=None, options=()):
    d = os.path.join(work, name)
    shutil.rmtree(d, ignore_errors=True)
    os.makedirs(d)
    shutil.copy(os.path.join(examples, "microbov.dat"), d)
    with open(os.path.join(d, "batch.txt"), "w") as f:
        f.write(batch(name, loci))
    # The exact tests have nothing to do with the intervals and take most of a run's time.
    r = subprocess.run([tolm, "-exact=off", *options, "batch.txt"], cwd=d, stdin=subprocess.DEVNULL,
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
    if r.returncode != 0:
        sys.exit(f"FAIL: {name} ended with status {r.returncode}\n{r.stdout.decode()[-2000:]}")
    return d


def pool_rows(d, name):
    with open(os.path.join(d, name + "-long.tsv"), newline="") as f:
        rows = [r for r in csv.DictReader(f, delimiter="\t") if r["loci"] == "pool"]
    if not rows:
        sys.exit(f"FAIL: no gene-pool rows in the long table of {name}")
    return {(r["kind"], r["measure"], r["deme"], r["other_deme"]): r for r in rows}


failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


# 1. Jackknife against the runs with one locus left out.
full = pool_rows(run("full"), "full")
loo = []
for out in range(1, NLOC + 1):
    name = f"without{out}"
    loo.append(pool_rows(run(name, [l for l in range(1, NLOC + 1) if l != out]), name))

n = NLOC
checked = 0
for key, row in full.items():
    if not row["ci_low"]:
        continue
    check(row["method"] == "jackknife", f"{key}: method {row['method']!r}")
    est = f32(row["value"])
    vals = [f32(l[key]["value"]) for l in loo]
    mean = sum(vals) / n
    se = math.sqrt(sum((v - mean) ** 2 for v in vals) * (n - 1) / n)
    for got, want in ((float(row["ci_low"]), est - 1.96 * se), (float(row["ci_high"]), est + 1.96 * se)):
        check(abs(got - want) <= 1e-6, f"{key}: jackknife limit {got} against {want}")
    check(est >= float(row["ci_low"]) - 1e-12 and est <= float(row["ci_high"]) + 1e-12,
          f"{key}: estimate outside the jackknife interval")
    checked += 1
check(checked >= 100, f"only {checked} jackknife intervals found")
measures = {k[1] for k, r in full.items() if r["ci_low"]}
for m in ("diversity_v2", "differentiation_delta_T", "distance_d0", "differentiation_Dj",
          "differentiation_delta", "evenness_finite", "heterozygosity_observed"):
    check(m in measures, f"no jackknife interval of {m}")

# 2./3. Bootstrap: contains the estimate, reproducible with a seed and any number of threads.
opts = ["-bootstrap=1000", "-seed=12345"]
files = ("-out.txt", "-tab.txt", "-long.tsv")
first = run("boot1", options=opts + ["-threads=1"])
again = run("boot2", options=opts + ["-threads=1"])
threads = run("boot3", options=opts + ["-threads=4"])


def text(d, name, f):
    """A file of a run after its head (file names, date), its own prefix replaced."""
    t = open(os.path.join(d, name + f)).read().replace(name, "boot")
    return t.split("Gene_Pool", 1)[-1] if f == "-out.txt" else t.split("\n", 3)[-1]


for f in files:
    check(text(first, "boot1", f) == text(again, "boot2", f),
          f"{f} differs between two runs with the same seed")
    check(text(first, "boot1", f) == text(threads, "boot3", f),
          f"{f} differs with another number of threads")
a = first
boot = pool_rows(a, "boot1")
nb = 0
for key, row in boot.items():
    if not row["ci_low"]:
        continue
    nb += 1
    check(row["method"] == "bootstrap", f"{key}: method {row['method']!r}")
    est = float(row["value"])
    check(float(row["ci_low"]) <= est <= float(row["ci_high"]),
          f"{key}: estimate {est} outside the bootstrap interval [{row['ci_low']}, {row['ci_high']}]")
check(nb == checked, f"{nb} bootstrap intervals against {checked} jackknife intervals")
other = pool_rows(run("seed2", options=["-bootstrap=1000", "-seed=54321"]), "seed2")
check(any(other[k]["ci_low"] != boot[k]["ci_low"] for k in boot if boot[k]["ci_low"]),
      "another seed gives the same bootstrap limits")

# -ci=off: no block, no limits, the same values.
off_dir = run("off", options=["-ci=off"])
off = pool_rows(off_dir, "off")
check("Intervals_over_loci" not in open(os.path.join(off_dir, "off-out.txt")).read(),
      "-ci=off still writes the intervals block")
check(all(not r["ci_low"] and not r["method"] for r in off.values()), "-ci=off still gives limits")
check({k: r["value"] for k, r in off.items()} == {k: r["value"] for k, r in full.items()},
      "-ci=off changes the gene-pool values")

if failures:
    print("\n".join("FAIL: " + f for f in failures[:40]))
    sys.exit(1)
print(f"ok: {checked} jackknife and {nb} bootstrap intervals")
