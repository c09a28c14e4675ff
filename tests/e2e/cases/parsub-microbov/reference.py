#!/usr/bin/env python3
"""Independent reference for the measures of variation of TOLM's results file.

Reads an input file (unformatted genotype records, no gametic sex) and computes from their
definitions, per single locus, for the alleles of individuals of identified genotype and for
the genotypes: diversity v_2 = 1 / sum p^2, delta_T = sum n(N - n) / (N(N - 1)), evenness
(distance of the sorted counts from the nearest even plateau), d_0 = half the summed absolute
frequency differences, D_j = d_0 between deme j and the rest (pooled genes, or the mean of the
other demes' frequencies), delta = the weighted mean of D_j. It prints the sections exactly as
the results file lays them out, or, with --check RESULTS, looks for every section in RESULTS
in order and reports the loci whose sections differ.

usage: reference.py INPUT [--width W] [--loci 1,2,...] [--check RESULTS]

The expected results file of this case (loci 5 and 26, 10 demes per line) passes
    reference.py microbov.dat --check expect/mb-out.txt --loci 5,26
and so does a run over all 30 loci with every analysis chosen. Values exactly halfway between
two printed values, and plateau sizes tied in exact arithmetic, are accepted either way: the
program sums in 32-bit reals, which may tip them.
"""
import sys
from fractions import Fraction

MARK = -9.999


def read_input(path):
    with open(path) as f:
        lines = [l.split() for l in f]
    nd, nl = int(lines[0][0]), int(lines[0][1])
    body = [l for l in lines[nl + nd + 2:] if l and not l[0].startswith('#')]
    # per deme and locus: list of genotypes (a, b), None when not identified
    data = {}
    loci = []
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
    return nd, nl, data


def f3(x):
    """Fixed point, 8 columns, 3 decimals, halves away from zero (x exact or the marker)."""
    if x == MARK:
        return '  -9.999'
    q = Fraction(x) * 1000
    text = fix3(q, up=True)
    if (q * 2).denominator == 1 and q.denominator != 1:  # exactly halfway between two outputs
        TIES.add((text.strip(), fix3(q, up=False).strip()))
    return text


def fix3(q, up):
    a = abs(q)
    r = (a.numerator * 2 + a.denominator - (0 if up else 1)) // (2 * a.denominator)
    r = -r if q < 0 else r
    return '%8s' % ('%s%d.%03d' % ('-' if r < 0 else '', abs(r) // 1000, abs(r) % 1000))


# A value exactly halfway between two printed values, or a plateau size tied with others, may
# come out either way in 32-bit arithmetic: (expected, also accepted) pairs of the section.
TIES = set()


def blocks(m, width):
    out = []
    for first in range(1, m + 1, width):
        out.append((first, min(first + width - 1, m)))
    return out


def deme_row(first, last):
    return 'Deme'.ljust(15) + '     '.join('%5d' % i for i in range(first, last + 1))


def row(label, vals, first, last, fmt=f3):
    return label.ljust(12) + '  '.join(fmt(vals[i]) for i in range(first, last + 1))


def measures(counts, m):
    """counts[i] = dict type -> count for demes 1..m (exact arithmetic)."""
    N = {i: sum(counts[i].values()) for i in counts}
    res = {'div': {}, 'dt': {}, 'ev': {}}
    freq = {i: {t: Fraction(c, N[i]) for t, c in counts[i].items()} if N[i] else {} for i in counts}
    types = set().union(*[set(c) for c in counts.values()])
    for i in range(1, m + 1):
        n = N[i]
        if n == 0:
            res['div'][i] = res['dt'][i] = MARK
            res['ev'][i] = None
            continue
        res['div'][i] = 1 / sum(p * p for p in freq[i].values())
        res['dt'][i] = (Fraction(sum(c * (n - c) for c in counts[i].values()), n * (n - 1))
                        if n > 1 else MARK)
        srt = sorted((c for c in counts[i].values() if c > 0), reverse=True)
        ev = []
        for finite in (True, False):
            best, bl = None, None
            for l in range(1, len(srt) + 1):
                if finite:
                    even = [n // l + (1 if j < n % l else 0) for j in range(l)]
                else:
                    even = [Fraction(n, l)] * l
                d = sum(abs(even[j] - srt[j]) for j in range(l)) + sum(srt[l:])
                if best is None or d < best:
                    best, bl = d, l
            for l in range(1, len(srt) + 1):
                even = [Fraction(n, l)] * l
                d = sum(abs(even[j] - srt[j]) for j in range(l)) + sum(srt[l:])
                if not finite and d == best and l != bl:
                    TIES.add((str(bl), str(l)))
            ev.append((1 - Fraction(best) / (2 * n), 1 - Fraction(best) / n, bl))
        res['ev'][i] = ev

    def d0(p, q):
        return sum(abs(p.get(t, 0) - q.get(t, 0)) for t in types) / 2

    nodata = [i for i in range(1, m + 1) if N[i] == 0]
    res['ga'] = {(i, j): (MARK if (N[i] == 0 or N[j] == 0) else d0(freq[i], freq[j]))
                 for i in range(1, m + 1) for j in range(1, i + 1)}
    res['nodata'] = len(nodata)
    if not nodata and m > 1:
        total = sum(N.values())
        cj = {i: Fraction(N[i], total) for i in N}
        fin, inf = {}, {}
        for i in range(1, m + 1):
            rest = {}
            for j in range(1, m + 1):
                if j != i:
                    for t, c in counts[j].items():
                        rest[t] = rest.get(t, 0) + c
            nr = sum(rest.values())
            fin[i] = d0(freq[i], {t: Fraction(c, nr) for t, c in rest.items()})
            mean = {t: sum(freq[j].get(t, 0) for j in range(1, m + 1) if j != i) / (m - 1)
                    for t in types}
            inf[i] = d0(freq[i], mean)
        res['cj'], res['fin'], res['inf'] = cj, fin, inf
        res['delfin'] = sum(cj[i] * fin[i] for i in fin)
        res['delinf'] = sum(inf.values()) / m
    return res


def section(res, m, width):
    L = []
    L += ['', '-' * 35, 'Measures_of_variation_within_demes', '-' * 35]
    for title, key in (('DIVERSITY_v_2', 'div'), ('TOTAL_POPULATION_DIFFERENTIATION_delta_T', 'dt')):
        L += ['', title]
        for k, (a, b) in enumerate(blocks(m, width)):
            if k:
                L.append('')
            L += [deme_row(a, b), row('', res[key], a, b)]
    for title, e in (('EVENNESS_e_FOR_FINITE_POPULATION_SIZE', 0),
                     ('EVENNESS_e_FOR_INFINITE_POPULATION_SIZE', 1)):
        L.append(title)
        ev = {i: (res['ev'][i][e] if res['ev'][i] else (MARK, MARK, 0)) for i in range(1, m + 1)}
        for k, (a, b) in enumerate(blocks(m, width)):
            if k:
                L.append('  ')
            L += [deme_row(a, b), row('absolute_e', {i: ev[i][0] for i in ev}, a, b),
                  row('relative_e', {i: ev[i][1] for i in ev}, a, b),
                  row('for_No.types', {i: ev[i][2] for i in ev}, a, b, fmt=lambda v: '%8d' % v)]
    L += ['', '-' * 35, 'Measures_of_variation_between_demes', '-' * 35]
    if m == 1:
        return L + ['** Not_calculable_for_a_single_deme']
    L += ['', 'GENETIC_DISTANCE_d_0']
    for k, (a, b) in enumerate(blocks(m, width)):
        if k:
            L.append('')
        L += [deme_row(a, b), ' ' * 11 + '-' * (10 * (b - a + 1))]
        for i in range(a, m + 1):
            L.append(' ' * 7 + '%3d |' % i +
                     '  '.join(f3(res['ga'][(i, j)]) for j in range(a, min(b, i) + 1)))
    if res['nodata']:
        return L + ['', 'SUBPOPULATION_DIFFERENTIATION_D_j,_delta',
                    '** %3d of_the_demes_unknown - No_calculations_possible' % res['nodata']]
    for sub, cj, dj, delta in (
            ('- RELATIVE_SUBPOPULATION_SIZE_PROPORTIONAL_TO_DEME_SIZE', res['cj'], res['fin'],
             res['delfin']),
            ('- RELATIVE_SUBPOPULATION_SIZES_ALL_EQUAL_TO_(1/NO._SUBPOPS)',
             {i: Fraction(1, m) for i in range(1, m + 1)}, res['inf'], res['delinf'])):
        L += ['', 'SUBPOPULATION_DIFFERENTIATION_D_j,_delta', sub]
        for k, (a, b) in enumerate(blocks(m, width)):
            if k:
                L.append('  ')
            L += [deme_row(a, b), row('        Cj= ', cj, a, b), row('        Dj= ', dj, a, b)]
        L += ['  ', ' ' * 7 + ' delta= ' + f3(delta)]
    return L


def main():
    args = sys.argv[1:]
    path = args[0]
    width, loci, check = 10, None, None
    if '--width' in args:
        width = int(args[args.index('--width') + 1])
    if '--loci' in args:
        loci = [int(x) for x in args[args.index('--loci') + 1].split(',')]
    if '--check' in args:
        check = open(args[args.index('--check') + 1]).read()
    nd, nl, data = read_input(path)
    pos, bad = 0, 0
    for l in loci or range(1, nl + 1):
        for kind in ('alleles', 'genotypes'):
            counts = {}
            for i in range(1, nd + 1):
                c = {}
                for g in data.get((i, l), []):
                    if g is None:
                        continue
                    for t in (g if kind == 'alleles' else [g]):
                        c[t] = c.get(t, 0) + 1
                counts[i] = c
            TIES.clear()
            ref = section(measures(counts, nd), nd, width)
            if check is None:
                print('# locus %d, %s' % (l, kind))
                print('\n'.join(ref))
                continue
            # the section follows the locus heading and the title of the kind
            at = check.find('\nLocus %3d - ' % l, pos) if kind == 'alleles' else pos
            title = ('\nAllele_frequencies_among_individuals_of_identified_genotype\n'
                     if kind == 'alleles' else '\nGenotype_frequencies\n')
            at = check.find(title, at) if at >= 0 else -1
            at = check.find('\n' + '\n'.join(ref[1:3]) + '\n', at) if at >= 0 else -1
            got = check[at:].split('\n')[:len(ref)] if at >= 0 else []
            why = [] if at >= 0 else ['section not found']
            if at >= 0:
                pos = at + 1
            for r, g in zip(ref, got):
                if r != g and (len(r) != len(g) or any(
                        a != b and (a, b) not in TIES for a, b in zip(r.split(), g.split()))):
                    why += ['expected: ' + r, 'found:    ' + g]
            if why:
                print('locus %d, %s:' % (l, kind))
                print('\n'.join(why))
                bad += 1
    if check is not None:
        print('%d sections differ' % bad)
        sys.exit(1 if bad else 0)


if __name__ == '__main__':
    main()
