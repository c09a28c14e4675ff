#!/usr/bin/env python3
"""Upper 5 %, 1 % and 0.1 % points of the chi-square distribution for 1..100 degrees of freedom.

Prints the three tables of src/stattest/homtst.cpp (values to 3 decimals). Each point is found
by bisection on the upper tail Q(df/2, x/2) of the regularised incomplete gamma function,
computed by its power series below a + 1 and by its continued fraction (modified Lentz) above.
Run: python3 scripts/chisq-table.py
"""
import math
import sys

LEVELS = (0.05, 0.01, 0.001)
MAXDF = 100


def lower_series(a, x):
    # P(a, x) = x^a e^-x / Gamma(a+1) * sum_n x^n / ((a+1)...(a+n))
    term = 1.0 / a
    total = term
    n = 1
    while True:
        term *= x / (a + n)
        total += term
        if term < total * 1e-17:
            break
        n += 1
    return total * math.exp(-x + a * math.log(x) - math.lgamma(a))


def upper_fraction(a, x):
    # Q(a, x) by the continued fraction of Legendre, evaluated with Lentz's method
    tiny = 1e-300
    b = x + 1.0 - a
    c = 1.0 / tiny
    d = 1.0 / b
    h = d
    i = 1
    while True:
        an = -i * (i - a)
        b += 2.0
        d = an * d + b
        if abs(d) < tiny:
            d = tiny
        c = b + an / c
        if abs(c) < tiny:
            c = tiny
        d = 1.0 / d
        delta = d * c
        h *= delta
        if abs(delta - 1.0) < 1e-16:
            break
        i += 1
    return h * math.exp(-x + a * math.log(x) - math.lgamma(a))


def upper_tail(df, chi2):
    a, x = df / 2.0, chi2 / 2.0
    if x < a + 1.0:
        return 1.0 - lower_series(a, x)
    return upper_fraction(a, x)


def critical(df, level):
    lo, hi = 0.0, 10.0
    while upper_tail(df, hi) > level:
        hi *= 2.0
    for _ in range(200):
        mid = 0.5 * (lo + hi)
        if upper_tail(df, mid) > level:
            lo = mid
        else:
            hi = mid
        if hi - lo < 1e-11:
            break
    return 0.5 * (lo + hi)


def main():
    tables = []
    for level in LEVELS:
        row = []
        for df in range(1, MAXDF + 1):
            c = critical(df, level)
            frac = c * 1000.0 - math.floor(c * 1000.0)
            if abs(frac - 0.5) < 1e-5:
                print(f"warning: df {df} level {level}: {c!r} is near a rounding boundary",
                      file=sys.stderr)
            row.append(f"{c:.3f}")
        tables.append(row)
    for name, row in zip(("chisq1", "chisq2", "chisq3"), tables):
        print(f"const float {name}[{MAXDF}] = {{")
        for i in range(0, MAXDF, 8):
            print("    " + ", ".join(v + "f" for v in row[i:i + 8]) + ",")
        print("};")


if __name__ == "__main__":
    main()
