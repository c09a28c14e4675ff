#!/usr/bin/env bash
# Contingency tables: TOLM's exact p-values equal R's fisher.test to 1e-6 on small tables; on
# large ones (Markov chain or the two-row split) they lie within 3 standard errors of
# fisher.test(simulate.p.value = TRUE, B = 1e6).
#   r-fisher.sh EXACT_CLI WORKDIR
set -euo pipefail
cli=$(realpath "$1") work=$2
command -v Rscript >/dev/null || { echo "SKIPPED: R not installed"; exit 77; }
rm -rf "$work" && mkdir -p "$work" && cd "$work"
cat >make.R <<'R'
set.seed(5)
small <- list(); large <- list()
for (i in 1:40) {  # 2 x 2 up to 4 x 5, a few to a few dozen units
  r <- sample(2:4, 1); c <- sample(2:5, 1)
  p <- matrix(runif(r * c)^2, r, c)
  m <- matrix(rmultinom(1, sample(6:30, 1), p), r, c)
  if (sum(rowSums(m) > 0) < 2 || sum(colSums(m) > 0) < 2) next
  small[[length(small) + 1]] <- m
}
for (i in 1:6) {  # many units: 6 x 8, and 2 x 15 (two demes, many types)
  if (i <= 3) { r <- 6; c <- 8; n <- 400 } else { r <- 2; c <- 15; n <- 300 }
  p <- outer(rexp(r), rexp(c)) * matrix(runif(r * c, 0.7, 1.3), r, c)  # near independence
  large[[i]] <- matrix(rmultinom(1, n, p), r, c)
}
w <- function(ms, f) for (m in ms) cat("rc", nrow(m), ncol(m), t(m), "\n", file = f, append = TRUE)
unlink(c("small.txt", "large.txt"))
w(small, "small.txt"); w(large, "large.txt")
ps <- sapply(small, function(m) fisher.test(m, workspace = 2e7)$p.value)
write(sprintf("%.12g", ps), "small-r.txt", ncolumns = 1)
pl <- sapply(large, function(m) fisher.test(m, simulate.p.value = TRUE, B = 1e6)$p.value)
write(sprintf("%.12g", pl), "large-r.txt", ncolumns = 1)
R
Rscript make.R >r.log 2>&1 || { cat r.log; exit 1; }
"$cli" <small.txt >small-tolm.txt
"$cli" <large.txt >large-tolm.txt
python3 - <<'PY'
import math, sys
bad = 0
for i, (r, o) in enumerate(zip(open("small-r.txt"), open("small-tolm.txt"))):
    pr, (po, se, m) = float(r), o.split()[:3]
    if m != "exact-enumeration" or abs(pr - float(po)) > 1e-6:
        print("small table %d: R %.10g, TOLM %s (%s)" % (i + 1, pr, po, m)); bad += 1
for i, (r, o) in enumerate(zip(open("large-r.txt"), open("large-tolm.txt"))):
    pr, f = float(r), o.split()
    po, se = float(f[0]), float(f[1])
    s = math.sqrt(se * se + pr * (1 - pr) / 1e6)
    if abs(pr - po) > 3 * s + 1e-9:
        print("large table %d: R %.6g, TOLM %.6g (SE %.3g, %s)" % (i + 1, pr, po, se, f[2])); bad += 1
    else:
        print("large table %d: R %.6g, TOLM %.6g (SE %.3g, %s)" % (i + 1, pr, po, se, f[2]))
n = sum(1 for _ in open("small-r.txt"))
print("%d small tables, %d failures" % (n, bad))
sys.exit(1 if bad or n < 30 else 0)
PY
