import sys
# splits a TOLM input file (free format) into files of consecutive loci: cut points given as
# the first locus of each later file
src, cuts = sys.argv[1], [int(c) for c in sys.argv[2].split(',')]
lines = open(src).read().split('\n')
if lines and lines[-1] == '': lines.pop()
np_, nl = map(int, lines[0].split()[:2])
names = lines[1:nl + 1]
demes = lines[nl + 1:nl + np_ + 1]
parts = list(zip([1] + cuts, [c - 1 for c in cuts] + [nl]))
outs = [['%d %d' % (np_, b - a + 1)] + names[a - 1:b] + demes + ['UNFORMATTED'] for a, b in parts]
listed = []
for l in lines[nl + np_ + 2:]:
    f = l.split()
    if not f or l.startswith('#') or f[0] in ('0', '9999') or len(f) < 2:
        for o in outs: o.append(l)
        continue
    pairs = [f[i:i + 2] for i in range(2, len(f), 2)]
    if f[1] == '0':
        listed = [abs(int(p[0])) for p in pairs if p[0] != '0']
        for (a, b), o in zip(parts, outs):
            keep = [(str(int(p[0]) - a + 1 if int(p[0]) > 0 else int(p[0]) + a - 1), p[1])
                    for p in pairs if p[0] != '0' and a <= abs(int(p[0])) <= b]
            o.append(' '.join(f[:2] + [x for p in keep for x in p]))
    else:
        for (a, b), o in zip(parts, outs):
            keep = [p for L, p in zip(listed, pairs) if a <= L <= b]
            o.append(' '.join(f[:2] + [x for p in keep for x in p]))
for i, o in enumerate(outs):
    open('%s.L%d' % (src, i + 1), 'w').write('\n'.join(o) + '\n')
