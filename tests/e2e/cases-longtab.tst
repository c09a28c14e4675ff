# The long table: name  expected-exit-status  arguments (run inside a copy of cases/<name>/)
# Two demes of one locus, alleles only, every measure: expect/lt-long.tsv worked out by hand
# (Hill 100 100, 100 102; Vale 102 102, 104 104 and one unknown individual).
longtab-two-demes    0  batch.txt
