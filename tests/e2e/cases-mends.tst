# Mends: snails of a prefix that holds a folder, snails that cannot be written, quiet counting
mends-prefix-dir      0  batch.txt && sh ./check-snails.sh out/run1-Snails
mends-snails-blocked  1  batch.txt
mends-quiet           0  -quiet batch.txt && ! grep -Eq "^ *[0-9]+:" console && grep -q "^ End of input file" console
