#!/usr/bin/env bash
# Runs TOLM on the bundled cattle data (examples/microbov.dat) with one of the batch files here
# and shows where the output went.
#
#   run-demo.sh BIN [BATCHFILE]     BATCHFILE defaults to all-loci.txt
#
# Each run happens in a fresh directory (demo-<batch name> beside the tolm binary): TOLM writes
# its results, tabular file, snails and configuration file next to the input file, and a batch
# file answers the questions of a directory without earlier output or configuration.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bin=$(realpath "$1")
batch=${2:-all-loci.txt}
[ -f "$batch" ] || batch="$here/$batch"
name=$(basename "$batch" .txt)
out="$(dirname "$bin")/demo-$name"
rm -rf "$out"
mkdir -p "$out"
cp "$here/microbov.dat" "$batch" "$out/"
cd "$out"
status=0
"$bin" "$(basename "$batch")" >console.txt 2>&1 </dev/null || status=$?
tail -n 8 console.txt
echo
echo "TOLM finished with status $status. Output in $out:"
ls -l "$out"
exit $status
