# End-to-end cases of the exact tests: name  expected-exit-status  arguments
# exact-threads: one thread gives the results file of stat-microbov (run on every core)
exact-threads        0  -threads=1 batch.txt
# exact-off: -exact=off gives the report as it was before the exact tests
exact-off            0  -exact=off batch.txt
