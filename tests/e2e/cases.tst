# End-to-end cases: name  expected-exit-status  arguments (run inside a copy of cases/<name>/)
start-nobatch        1  nosuchbatch.txt
start-col-negative   1  -nogui -col=-1
start-col-notnumber  1  -nogui -col=abc
start-maxall-zero    1  -nogui -maxall=0
start-six-names      1  -nogui
start-empty-input    1  batch.txt
start-bad-record1    1  batch.txt
start-huge-loci      1  batch.txt
parsub-microbov      0  batch.txt
parsub-nodata        0  batch.txt
pool-sexall          0  batch.txt
freq-microbov        0  batch.txt
freq-gamsex          0  batch.txt
freq-gamsex-differ   0  batch.txt
freq-multi-nodata    0  batch.txt
dialog-nocalc        1  batch.txt
dialog-demes         0  batch.txt
dialog-second-pass   0  batch.txt
dialog-config-accepted 0  batch.txt
dialog-existing-p    0  batch.txt
dialog-count-fails   1  batch.txt
dialog-screen        0  batch.txt
tab-kinds            0  batch.txt
stat-microbov        0  batch.txt
stat-gamsex          0  batch.txt
stat-edges           0  batch.txt
dialog-batch-runs-out 1  batch.txt
input-bad-deme       1  batch.txt
input-bad-locuslist  1  batch.txt
input-bad-format     1  batch.txt
input-short-header   1  batch.txt
input-fixed-format   0  batch.txt
# Bad input files (tests/data/bad): each gives its message, never a crash, a hang or a wrong count
bad-empty            1  batch.txt
bad-binary           1  batch.txt
bad-truncated-header 1  batch.txt
bad-huge-header      1  batch.txt
bad-format           1  batch.txt
bad-letter-in-number 1  batch.txt
bad-huge-allele      1  batch.txt
bad-huge-count       1  batch.txt
bad-negative-count   1  batch.txt
bad-deme-number      1  batch.txt
bad-locus-list       1  batch.txt
bad-maxall           0  batch.txt -maxall=3
bad-long-lines       0  batch.txt
bad-no-final-newline 0  batch.txt
bad-crlf             0  batch.txt
# Acceptance runs: whole analyses on the example data and on small hand-made files
acc-microbov         0  batch.txt && sh ./check-snails.sh mb-Snails
acc-microbov-multi   0  batch.txt
acc-sexall           0  batch.txt && sh ./check-snails.sh sexall.dat-Snails
acc-sexsome          0  batch.txt && sh ./check-snails.sh sexsome.dat-Snails
acc-counts-fixed     0  batch.txt
acc-twopass          0  batch.txt
acc-config           0  batch1.txt && timeout 60 "$bin" batch2.txt
