#!/usr/bin/env bash
# Combinations analysed side by side write what one combination after the other writes.
#
#   threads.sh BIN E2EDIR WORKDIR
#
# Runs end-to-end cases chosen for what a combination leaves to the run (gene-pool sums and
# their marks, demes without data, gametic sex, multilocus combinations, exact p-values kept for
# the summary, intervals, snails drawn and a snail folder that cannot be made, figures, the HTML
# report, results on the screen) once with one thread, which analyses the combinations in turn,
# and with 2, 3 and 8 threads. Every file the runs leave and their console output must be the
# same byte for byte, date stamps aside.
set -u
bin=$(realpath "$1"); dir=$(realpath "$2"); work=$3
mkdir -p "$work"; work=$(realpath "$work")
cases="parsub-microbov parsub-nodata pool-sexall freq-gamsex freq-gamsex-differ freq-multi-nodata
 stat-microbov stat-gamsex dialog-screen dialog-second-pass acc-microbov acc-sexall acc-sexsome
 mends-snails-blocked figures-microbov html-report intervals-bootstrap longtab-two-demes"

mask() {
  sed -E -e 's/[0-9]{2}-[A-Z][a-z]{2}-[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}/DATE/g' \
         -e "s/-threads=[0-9]+/-threads=N/g" -e "s/^(%%CreationDate:).*/\1/" "$1"
}

run_case() {  # name threads -> directory of the run
  local name=$1 t=$2 w="$work/$1-t$2" args status
  read -r status args < <(cat "$dir"/cases*.tst | awk -v n="$name" '$1 == n { $1 = ""; print }')
  rm -rf "$w"; mkdir -p "$w"
  (cd "$dir/cases/$name" && tar --exclude=./expect -chf - . | tar -C "$w" -xf -)
  local input=/dev/null; [ -f "$dir/cases/$name/stdin" ] && input="$dir/cases/$name/stdin"
  # the option goes before the case's own arguments, which may end in "&& check..."
  (cd "$w" && eval "timeout 300 \"$bin\" -threads=$t $args" <"$input" >"$w/console" 2>&1)
  echo "$?" >"$w/status"
}

fail=0
for name in $cases; do
  [ -d "$dir/cases/$name" ] || { echo "FAIL $name: no such case"; fail=1; continue; }
  run_case "$name" 1
  one="$work/$name-t1"
  for t in 2 3 8; do
    run_case "$name" "$t"
    other="$work/$name-t$t"
    bad=0
    listing_one=$(cd "$one" && find . -type f | LC_ALL=C sort)
    listing_other=$(cd "$other" && find . -type f | LC_ALL=C sort)
    if [ "$listing_one" != "$listing_other" ]; then
      echo "FAIL $name: $t threads leave other files"
      diff <(echo "$listing_one") <(echo "$listing_other") | head -10
      bad=1
    fi
    while IFS= read -r f; do
      [ -f "$other/$f" ] || continue
      cmp -s "$one/$f" "$other/$f" && continue
      if ! diff <(mask "$one/$f") <(mask "$other/$f") >/dev/null; then
        echo "FAIL $name: $f differs with $t threads"
        diff <(mask "$one/$f") <(mask "$other/$f") | head -10
        bad=1
      fi
    done < <(cd "$one" && find . -type f)
    [ $bad = 0 ] || fail=1
  done
  [ $fail = 0 ] && echo "ok   $name"
done
[ $fail = 0 ]
