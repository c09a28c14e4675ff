#!/usr/bin/env python3
"""Independent reference for the frequency and heterozygosity sections of single loci.

Reads an unformatted TOLM input file (every data record on one line: deme, individual, then
one allele pair per locus; locus-list records have 0 as second number and name all loci without
gametic sex), and writes, for the loci named on the command line, the part of the results file
that the analysis driver writes when all four kinds of frequency distribution, frequency
distributions and heterozygosity are chosen, the gametic sex is ignored and all demes are shown:
the locus heading, the maternal/paternal messages, the section of the alleles of identified
individuals, the genotype section and the heterozygosity report.

The numbers are computed here from their definitions (counts of alleles and genotypes per deme,
frequencies as 32-bit quotients, the largest-allele bound for the conditional heterozygosity),
not from the program's count files; the layout is the documented column layout.

    reference.py INPUT WIDTH LOCUS...
"""
import struct
import sys
from decimal import ROUND_HALF_UP, Decimal

ALPHAN = [1000, 1000, 1000, 1000, 1000, 402, 350, 334, 334, 334, 288, 266, 251, 251, 251, 228,
          215, 204, 201, 201, 191, 181, 174, 167, 167, 167, 158, 152, 147, 143, 143, 143, 136,
          132, 128, 126, 126, 124, 120, 117, 114, 112, 112, 111, 107, 105, 103, 101, 101, 101,
          97, 95, 94, 92, 91, 91, 89, 88, 86, 85, 84, 84, 83, 81, 80, 79, 78, 77, 77, 76, 75,
          74, 73, 72, 72, 71, 70, 69, 68, 67, 67, 67, 66, 65, 64, 64, 63, 63, 63, 62, 61, 60,
          60, 59, 59, 59, 58, 58, 57, 56, 56, 56, 56, 55, 54, 54, 53, 53, 53, 53, 52, 52, 51,
          51, 51, 51]
NALPHA = [10000] * 7 + [972, 850, 754, 675, 612, 558, 513, 474, 440, 410, 384, 361, 341, 321,
                        304, 289, 275, 264, 251, 241, 229, 220, 212, 204, 197, 190, 183, 177,
                        171, 167, 161, 155, 152, 147, 142, 139, 134, 132, 127, 125, 121, 118, 117]
ASTRIX = -9.999


def f32(x):
    return struct.unpack('f', struct.pack('f', x))[0]


def fix(x, w, d):
    s = str(Decimal(f32(x)).quantize(Decimal(1).scaleb(-d), rounding=ROUND_HALF_UP))
    if s.startswith('-') and s.strip('-0.') == '':
        s = s[1:]
    return s.rjust(w)


def alpha(n):
    if n == 0:
        return ASTRIX
    if n > 971:
        return 0.008
    if n <= 116:
        return f32(ALPHAN[n - 1] * f32(0.001))
    for i in range(49, 0, -1):
        if n < NALPHA[i - 1]:
            return f32((i + 1) * f32(0.001))


def read(path):
    lines = open(path).read().split('\n')
    nd, nl = map(int, lines[0].split())
    loci = lines[1:1 + nl]
    body = lines[nl + nd + 2:]
    data = []  # (deme, [(a1, a2) per locus])
    for ln in body:
        t = ln.split()
        if not t or t[0].startswith('#'):
            continue
        v = list(map(int, t))
        if v[1] == 0:
            continue
        data.append((v[0], [(v[2 + 2 * i], v[3 + 2 * i]) for i in range(nl)]))
    return nd, loci, data


def blocks(n, width):
    return [list(range(j, min(n, j + width - 1) + 1)) for j in range(1, n + 1, width)]


def deme_row(bl):
    return 'Deme'.ljust(15) + ''.join(f'{d:5d}     ' for d in bl)


def section(nd, width, genos, kind):
    """Descriptor blocks and both tables; kind 3 alleles of identified individuals, 4 genotypes."""
    out = []
    ident = {d: sum(1 for g in genos[d] if g is not None) for d in range(1, nd + 1)}
    size = {d: len(genos[d]) for d in range(1, nd + 1)}
    unknown = {d: size[d] - ident[d] for d in range(1, nd + 1)}
    for k, bl in enumerate(blocks(nd, width)):
        if k:
            out.append('')
        out.append(deme_row(bl))
        out.append('Gam.sex.spec.?'.ljust(15) + ''.join('   no     ' for _ in bl))
        out.append('Deme_size'.ljust(15) + ''.join(f'{size[d]:5d}     ' for d in bl))
        out.append('No._identified'.ljust(15) + ''.join(f'{ident[d]:5d}     ' for d in bl))
        out.append('alpha'.ljust(13) + ''.join(
            ('<' if ident[d] > 971 else ' ') + fix(alpha(ident[d]), 6, 3) + '   ' for d in bl))
        if kind == 3:
            out.append('alpha-HWP'.ljust(13) + ''.join(
                ('<' if 2 * ident[d] > 971 else ' ') + fix(alpha(2 * ident[d]), 6, 3) + '   '
                for d in bl))
        out.append('No._unknown'.ljust(15) + ''.join(f'{unknown[d]:5d}     ' for d in bl))
    # the types and their counts per deme
    counts = {}
    for d in range(1, nd + 1):
        for g in genos[d]:
            if g is None:
                continue
            keys = [(g[0],), (g[1],)] if kind == 3 else [g]
            for key in keys:
                counts.setdefault(key, {}).setdefault(d, 0)
                counts[key][d] += 1
    for rel in (0, 1):
        out += ['', '-' * 35,
                'Relative_frequency_distribution' if rel else 'Absolute_frequency_distribution',
                '-' * 35]
        first = True
        for bl in blocks(nd, width):
            if all(ident[d] == 0 for d in bl):
                continue
            if not first:
                out.append('')
            first = False
            out.append(deme_row(bl))
            out.append('Allele' if kind == 3 else 'Genotype')
            sums = {d: 0 for d in bl}
            for key in sorted(counts):
                c = {d: counts[key].get(d, 0) for d in bl}
                for d in bl:
                    sums[d] += c[d]
                if not any(c.values()):
                    continue
                if kind == 3:
                    head = f'{key[0]:4d}' + (' ' * 9 if rel else ' ' * 11)
                else:
                    head = f'{key[0]:4d} x{key[1]:4d}' + (' ' * 3 if rel else ' ' * 5)
                if rel:
                    cells = ''
                    for d in bl:
                        n = ident[d] * (2 if kind == 3 else 1)
                        cells += ' ' + fix(f32(c[d] / max(1e-5 if kind == 3 else 1e-6, n)), 6, 3) + '   '
                else:
                    cells = ''.join(f'{c[d]:5d}     ' for d in bl)
                out.append(head + cells)
            if not rel:
                out.append(' ' * 11 + ''.join('   -------' for _ in bl))
                out.append(' ' * 15 + ''.join(f'{sums[d]:5d}     ' for d in bl))
    return out


def heterozygosity(nd, width, genos):
    out = ['', '=' * 72, 'Heterozygosity', '=' * 72]
    known = {d: sum(1 for g in genos[d] if g is not None) for d in range(1, nd + 1)}
    unknown = {d: len(genos[d]) - known[d] for d in range(1, nd + 1)}

    def ints(label, bl, v):
        return label + '     '.join(f'{v[d]:5d}' for d in bl)

    def reals(bl, v):
        return ' ' * 12 + '  '.join(fix(v[d], 8, 3) for d in bl)

    demes = {d: d for d in range(1, nd + 1)}
    for k, bl in enumerate(blocks(nd, width)):
        if k:
            out.append('')
        out.append(ints('Deme           ', bl, demes))
        out.append(ints('Deme size      ', bl, {d: known[d] + unknown[d] for d in bl}))
        out.append(ints('No. identified ', bl, known))
        out.append(ints('No. unknown    ', bl, unknown))
    het, chet = {}, {}
    for d in range(1, nd + 1):
        gs = [g for g in genos[d] if g is not None]
        if not gs:
            het[d] = chet[d] = ASTRIX
            continue
        het[d] = f32(sum(1 for g in gs if g[0] != g[1]) / len(gs))
        freq = {}
        for g in gs:
            for a in g:
                freq[a] = freq.get(a, 0) + 1
        top = f32(max(freq.values()) / (2 * len(gs)))
        if top > f32(1 - f32(0.00001)):
            chet[d] = ASTRIX
        elif top > 0.5:
            chet[d] = f32(het[d] / f32(2 * f32(1 - top)))
        else:
            chet[d] = het[d]
    for title, v in (('PROPORTION OF HETEROZYGOSITY', het), ('CONDITIONAL HETEROZYGOSITY', chet)):
        out += ['', title]
        for k, bl in enumerate(blocks(nd, width)):
            if k:
                out.append('')
            out.append(ints('Deme           ', bl, demes))
            out.append(reals(bl, v))
    return out


def main():
    path, width, wanted = sys.argv[1], int(sys.argv[2]), [int(a) for a in sys.argv[3:]]
    nd, loci, data = read(path)
    out = []
    for l in wanted:
        genos = {d: [] for d in range(1, nd + 1)}
        for d, pairs in data:
            a1, a2 = pairs[l - 1]
            genos[d].append(None if a1 < 0 or a2 < 0 else (min(a1, a2), max(a1, a2)))
        out += ['', '*' * 72, f'Locus {l:3d} - {loci[l - 1].strip()[:12]:<12}', '*' * 72]
        out.append('** Allele_frequencies_among_maternal_contributions_not_specifiable')
        out.append('** Allele_frequencies_among_paternal_contributions_not_specifiable')
        out += ['', '=' * 72, 'Allele_frequencies_among_individuals_of_identified_genotype',
                '=' * 72]
        out += section(nd, width, genos, 3)
        out += ['', '=' * 72, 'Genotype_frequencies', '=' * 72]
        out += section(nd, width, genos, 4)
        out += heterozygosity(nd, width, genos)
    print('\n'.join(out))


main()
