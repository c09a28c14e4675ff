#!/usr/bin/env python3
"""The bootstrap over individuals within demes (-bootstrap-individuals), run by the program.

1. A hand-made file where the individuals of a deme are all alike: every replicate draws the same
   counts, so every interval over individuals has zero width at the estimate.
2. The cattle data: every gene-pool value with a jackknife interval gets an interval over
   individuals that contains the estimate; a fixed seed gives the same files twice, and with one
   thread or two.
3. Count files hold no individuals: one line says so and the bootstrap over loci stands in.

usage: check_individuals.py TOLM EXAMPLES_DIR WORK_DIR
"""
import csv
import os
import shutil
import struct
import subprocess
import sys

tolm, examples, work = (os.path.abspath(a) for a in sys.argv[1:4])
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def f32(x):
    return struct.unpack("f", struct.pack("f", float(x)))[0]


def run(name, args, files=()):
    d = os.path.join(work, name)
    shutil.rmtree(d, ignore_errors=True)
    os.makedirs(d)
    for f in files:
        shutil.copy(f, d)
    r = subprocess.run([tolm, "-exact=off", *args], cwd=d, stdin=subprocess.DEVNULL,
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
    if r.returncode != 0:
        sys.exit(f"FAIL: {name} ended with status {r.returncode}\n{r.stdout.decode()[-2000:]}")
    return d


def pool_rows(d, prefix):
    with open(os.path.join(d, prefix + "-long.tsv"), newline="") as f:
        return [r for r in csv.DictReader(f, delimiter="\t") if r["loci"] == "pool"]


# 1. Alike within demes: two demes of alike individuals (one of them a record standing for 5),
# three loci; the demes differ, so the between-deme values are not 0 either.
alike = os.path.join(work, "alike.dat")
os.makedirs(work, exist_ok=True)
with open(alike, "w") as f:
    f.write("2 3\nA\nB\nC\nOne\nTwo\nUNFORMATTED\n"
            "1 0 1 0 2 0 3 0\n" +
            "".join(f"1 {i} 100 102 98 98 110 112\n" for i in range(1, 5)) +
            "2 0 -1 0 2 0 3 0\n2 5 102 104 98 96 112 112\n")
d = run("alike", ["-input=alike.dat", "-out=alike", "-loci=all", "-analyses=all",
                  "-bootstrap-individuals", "-bootstrap=300"], [alike])
rows = [r for r in pool_rows(d, "alike") if r["method"] == "bootstrap_individuals"]
check(len(rows) >= 20, f"alike: only {len(rows)} intervals over individuals")
for r in rows:
    key = (r["measure"], r["deme"], r["other_deme"])
    check(r["ci_low"] == r["ci_high"], f"alike {key}: width {r['ci_low']} .. {r['ci_high']}")
    check(f32(r["ci_low"]) == f32(r["value"]), f"alike {key}: {r['ci_low']} at {r['value']}")
check("Bootstrap_over_individuals_within_demes:_300_replicates" in
      open(os.path.join(d, "alike-out.txt")).read(), "alike: no line of the bootstrap in the results")
tab = open(os.path.join(d, "alike-tab.txt")).read()
check("\tIndLow\tIndHigh\t" in tab, "alike: no columns of the bootstrap in the tabular file")

# 2. The cattle data, all single loci (the answers of examples/all-loci.txt).
cattle = [os.path.join(examples, "microbov.dat"), os.path.join(examples, "all-loci.txt")]
opts = ["-bootstrap-individuals", "-seed=4242", "all-loci.txt"]
first = run("indiv1", ["-threads=1", *opts], cattle)
again = run("indiv2", ["-threads=1", *opts], cattle)
two = run("indiv3", ["-threads=2", *opts], cattle)


def text(d, f):
    """An output of the cattle runs after its head (which holds the date)."""
    t = open(os.path.join(d, "all-loci" + f)).read()
    return t.split("Gene_Pool", 1)[-1] if f == "-out.txt" else t.split("\n", 3)[-1]


for f in ("-out.txt", "-tab.txt", "-long.tsv"):
    check(text(first, f) == text(again, f), f"{f} differs between two runs with the same seed")
    check(text(first, f) == text(two, f), f"{f} differs between one thread and two")
rows = pool_rows(first, "all-loci")
with_ci = [r for r in rows if r["ci_low"]]
check(len(with_ci) >= 200, f"cattle: only {len(with_ci)} intervals")
for r in with_ci:
    key = (r["measure"], r["deme"], r["other_deme"])
    check(r["method"] == "bootstrap_individuals", f"cattle {key}: method {r['method']!r}")
    check(float(r["ci_low"]) <= float(r["value"]) <= float(r["ci_high"]),
          f"cattle {key}: estimate {r['value']} outside [{r['ci_low']}, {r['ci_high']}]")
    check(float(r["ci_low"]) < float(r["ci_high"]), f"cattle {key}: no width")

# 3. A count file of the cattle data, analysed with the option: the bootstrap over loci instead.
cf = run("emit", ["-input=microbov.dat", "-out=part", "-loci=all", "-emit=counts"], cattle[:1])
m = run("merged", ["-merge=part.counts", "-out=merged", "-loci=all", "-analyses=all",
                   "-bootstrap-individuals", "-bootstrap=200"], [os.path.join(cf, "part.counts")])
out = open(os.path.join(m, "merged-out.txt")).read()
check("** Bootstrap_over_individuals_not_possible:_count_files_hold_no_individuals" in out,
      "merged: no line saying the count files hold no individuals")
check("Bootstrap_over_loci:_200_replicates" in out, "merged: no bootstrap over loci")
methods = {r["method"] for r in pool_rows(m, "merged") if r["ci_low"]}
check(methods == {"bootstrap"}, f"merged: methods {methods}")

if failures:
    print("\n".join("FAIL: " + f for f in failures[:40]))
    sys.exit(1)
print(f"ok: {len(with_ci)} intervals over individuals on the cattle data")
