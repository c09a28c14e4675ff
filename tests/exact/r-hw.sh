#!/usr/bin/env bash
# Hardy-Weinberg tests of several alleles against computations written independently in R:
# - small tables (3 to 5 alleles): every genotype table with the observed allele counts is
#   walked through in R and weighed by its null probability; TOLM's complete enumeration must
#   give the probability test and the heterozygote deficit and excess tests to 1e-6;
# - the eight-allele sample of 30 individuals of Guo and Thompson (1992, Biometrics 48:361-372,
#   their example 2), far too many tables to enumerate: R draws 2e5 tables from the null
#   distribution directly (random pairing of the 60 gene copies); TOLM's Markov chain must lie
#   within 3 standard errors (chain and sampling together) of that estimate.
#   r-hw.sh EXACT_CLI WORKDIR
set -euo pipefail
cli=$(realpath "$1") work=$2
command -v Rscript >/dev/null || { echo "SKIPPED: R not installed"; exit 77; }
rm -rf "$work" && mkdir -p "$work" && cd "$work"
cat >make.R <<'R'
set.seed(19)
# ln of the null probability of a genotype table m (upper triangle used), allele counts cnt
lp <- function(m, cnt) {
  n <- sum(cnt) / 2; h <- sum(m[upper.tri(m)])
  lfactorial(n) + sum(lfactorial(cnt)) + h * log(2) - lfactorial(2 * n) -
    sum(lfactorial(m[upper.tri(m, diag = TRUE)]))
}
score <- function(m, cnt) sum(diag(m) / cnt)
counts <- function(m) { s <- m; s[lower.tri(s)] <- 0; rowSums(s) + colSums(s) }
# every table with the allele counts cnt, cells filled along the rows of the upper triangle
walk <- function(obs) {
  cnt <- counts(obs); k <- length(cnt)
  lobs <- lp(obs, cnt); uobs <- score(obs, cnt)
  acc <- c(p = 0, def = 0, exc = 0)
  rec <- function(i, j, rem, cur) {
    if (i > k) {
      q <- exp(lp(cur, cnt)); u <- score(cur, cnt)
      if (log(q) <= lobs + 1e-7) acc["p"] <<- acc["p"] + q
      if (u >= uobs - 1e-9) acc["def"] <<- acc["def"] + q
      if (u <= uobs + 1e-9) acc["exc"] <<- acc["exc"] + q
      return(invisible())
    }
    top <- if (i == j) rem[i] %/% 2 else min(rem[i], rem[j])
    for (v in 0:top) {
      r2 <- rem
      if (i == j) r2[i] <- r2[i] - 2 * v else { r2[i] <- r2[i] - v; r2[j] <- r2[j] - v }
      cur[i, j] <- v
      if (j == k) { if (r2[i] == 0) rec(i + 1, i + 1, r2, cur) } else rec(i, j + 1, r2, cur)
    }
  }
  rec(1, 1, cnt, matrix(0, k, k))
  acc
}
upper <- function(m) unlist(lapply(seq_len(nrow(m)), function(i) m[i, i:ncol(m)]))
unlink(c("small.txt", "small-r.txt"))
made <- 0
while (made < 12) {
  k <- sample(3:5, 1); n <- sample(6:12, 1)
  a <- sample(k, 2 * n, replace = TRUE, prob = runif(k) + 0.2)
  if (length(unique(a)) < k) next
  m <- matrix(0, k, k)
  for (x in seq(1, 2 * n, 2)) { g <- sort(a[x:(x + 1)]); m[g[1], g[2]] <- m[g[1], g[2]] + 1 }
  r <- walk(m)
  cat("hw", k, upper(m), "\n", file = "small.txt", append = TRUE)
  cat(sprintf("%.12g %.12g %.12g", r["p"], r["def"], r["exc"]), "\n", file = "small-r.txt",
      append = TRUE)
  made <- made + 1
}
# Guo and Thompson (1992), example 2: lower triangle, row by row
low <- c(3, 4, 2, 2, 2, 2, 3, 3, 2, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0,
         0, 0, 0, 2, 1, 0, 0, 0)
g <- matrix(0, 8, 8); g[upper.tri(g, diag = TRUE)] <- low  # column-major fill = rows of the lower
cnt <- counts(g); lobs <- lp(g, cnt)
copies <- rep(seq_along(cnt), cnt); B <- 2e5; hit <- 0
for (b in 1:B) {
  s <- matrix(sample(copies), 2); lo <- pmin(s[1, ], s[2, ]); hi <- pmax(s[1, ], s[2, ])
  m <- matrix(tabulate(lo + 8 * (hi - 1), 64), 8, 8)
  if (lp(m, cnt) <= lobs + 1e-7) hit <- hit + 1
}
cat("hw 8", upper(g), "\n", file = "gt.txt")
cat(sprintf("%.12g %d", hit / B, B), "\n", file = "gt-r.txt")
R
Rscript make.R >r.log 2>&1 || { cat r.log; exit 1; }
"$cli" <small.txt >small-tolm.txt
"$cli" <gt.txt >gt-tolm.txt
python3 - <<'PY'
import math, sys
bad = 0
for i, (r, o) in enumerate(zip(open("small-r.txt"), open("small-tolm.txt"))):
    want = [float(x) for x in r.split()]
    f = o.split()
    got = [float(x) for x in f[:3]]
    if f[4] != "exact-enumeration" or any(abs(a - b) > 1e-6 for a, b in zip(want, got)):
        print("small table %d: R %s, TOLM %s" % (i + 1, r.strip(), o.strip())); bad += 1
pr, B = open("gt-r.txt").read().split()
pr, B = float(pr), float(B)
f = open("gt-tolm.txt").read().split()
po, se = float(f[0]), float(f[3])
s = math.sqrt(se * se + pr * (1 - pr) / B)
ok = abs(po - pr) <= 3 * s
print("Guo and Thompson example 2: R %.5f (direct sampling), TOLM %.5f (SE %.5f, %s)%s"
      % (pr, po, se, f[4], "" if ok else "  FAILED"))
bad += not ok
n = sum(1 for _ in open("small-r.txt"))
print("%d small tables, %d failures" % (n, bad))
sys.exit(1 if bad or n < 12 else 0)
PY
