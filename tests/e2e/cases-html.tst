# The HTML report: name  expected-exit-status  arguments
# three loci with -report=html: the report is written beside the other outputs and named on the console
html-report        0  -report=html batch.txt
# a folder stands where the report would go: a message, the other outputs as usual, exit status 1
html-unwritable    1  -report=html batch.txt
