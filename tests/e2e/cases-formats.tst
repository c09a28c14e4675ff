# Other genotype file formats: found by content, read through a TOLM copy, converted, rejected
formats-genepop      0  batch.txt -nogui -long=off
formats-convert-vcf  0  batch.txt -nogui -popmap=same.popmap -convert=same.tolm
formats-bad-genepop  1  batch.txt -nogui
