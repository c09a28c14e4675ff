# Figures for print: name  expected-exit-status  arguments
figures-microbov     0  batch.txt -figures=svg,png && sh ./check-figures.sh
