# Intervals over loci of the gene-pool measures: name  expected-exit-status  arguments
# -ci=off gives the results and tabular files of a run without intervals, byte for byte
intervals-off        0  -ci=off batch.txt
# two loci: the jackknife SE of a mean is half the difference of the two loci, the bootstrap
# percentiles of a mean are the two loci's values
intervals-bootstrap  0  -bootstrap=200 -seed=11 batch.txt
