#!/bin/sh
# Counting of long records a run of records at a time, locus by locus: the count file of a VCF
# whose individuals fill several batches (2500 sites x 1700 samples, over 4 x 10^6 values, with
# three-allele sites and missing genotypes) must equal the count file of the same run counted
# record by record (-bootstrap-individuals keeps each individual, which counts one record at a
# time as every run did before), on one thread and with the loci shared between two.
#   held.sh TOLM TOLM_GEN_VCF WORKDIR
set -eu
tolm=$1 gen=$2 work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work"
"$gen" 2500 1700 10 h.vcf h.map --three 0.2 >/dev/null
common="-input=h.vcf -popmap=h.map -analyses=2,7,8,9 -exact=off -quiet -force -emit=counts"
"$tolm" $common -out=held -threads=2 >held.console 2>&1
"$tolm" $common -out=held1 -threads=1 >held1.console 2>&1
"$tolm" $common -out=each -bootstrap-individuals >each.console 2>&1
[ -s held.counts ] || { echo "no count file"; exit 1; }
for f in held held1; do
  if cmp -s $f.counts each.counts; then
    echo "count files identical ($f)"
  else
    echo "count files DIFFER ($f)"; exit 1
  fi
done
