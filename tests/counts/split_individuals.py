import sys
# splits a TOLM input file into n files of individuals: the header in each, every data record
# once, and the locus list in force carried to the start of each later file
src, n = sys.argv[1], int(sys.argv[2])
lines = open(src).read().split('\n')
if lines and lines[-1] == '': lines.pop()
np_, nl = map(int, lines[0].split()[:2])
head = lines[:nl + np_ + 2]
data = lines[nl + np_ + 2:]
bounds = [len(data) * i // n for i in range(n + 1)]
cur = None
for i in range(n):
    out = head[:]
    if cur is not None: out.append(cur)
    for l in data[bounds[i]:bounds[i + 1]]:
        f = l.split()
        if len(f) >= 2 and f[1] == '0' and f[0] not in ('0', '9999') and not l.startswith('#'):
            cur = l
        out.append(l)
    open('%s.%d' % (src, i + 1), 'w').write('\n'.join(out) + '\n')
