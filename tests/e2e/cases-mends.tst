# Mends: snails of a prefix that holds a folder, snails that cannot be written, quiet counting
mends-prefix-dir      0  batch.txt && sh ./check-snails.sh out/run1-Snails
mends-snails-blocked  1  batch.txt
mends-quiet           0  -quiet batch.txt && ! grep -Eq "^ *[0-9]+:" console && grep -q "^ End of input file" console
# a short line takes the next record's first value: said on the console and in the results
mends-short-line      0  batch.txt && grep -q "^ \*\* Record 11 continues on the next line: 8 values expected, 7 found on line 11 \*\*" run1-out.txt && grep -q "^ \*\* 1 record continued on the next line \*\*" console
# a locus named twice in a locus list: refused, nothing counted
mends-locus-twice     1  batch.txt
