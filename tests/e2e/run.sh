#!/usr/bin/env bash
# Runs the end-to-end cases listed in cases.tst (and cases-*.tst, one list per area of the
# program) against the tolm binary.
#
#   run.sh BIN E2EDIR WORKDIR [name...]      run all cases (or the named ones)
#   run.sh --update BIN E2EDIR WORKDIR name  write the produced files of one case into its
#                                            expect/ directory, for review before committing
#
# A line of cases.tst is: name  expected-exit-status  arguments...
# The case runs in a fresh copy of cases/<name>/ with standard input from cases/<name>/stdin
# (or /dev/null). Every file under cases/<name>/expect/ is compared with the produced file of the
# same relative name; expect/console is compared with the standard output, expect/listing with
# the files the run left in its directory. Files of the case that are symbolic links (to the
# shared test data) are copied as the files they point to. Date stamps and the
# compiler build lines of the heading are masked before comparing.
set -u
update=0
if [ "${1:-}" = "--update" ]; then update=1; shift; fi
bin=$(realpath "$1"); dir=$(realpath "$2"); work=$3; shift 3
mkdir -p "$work"; work=$(realpath "$work")

mask() {
  sed -E -e 's/Date [0-9]{2}-[A-Z][a-z]{2}-[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}/Date DD-MON-YYYY HH:MM:SS/' \
         -e '/(Linux|Windows) build, compiled with /d' -e '/^Compiler revision /d' "$1"
}

fail=0; ran=0
while read -r name status args; do
  case "$name" in ''|'#'*) continue ;; esac
  if [ $# -gt 0 ]; then
    want=0; for n in "$@"; do [ "$n" = "$name" ] && want=1; done
    [ $want = 1 ] || continue
  fi
  ran=$((ran + 1))
  src="$dir/cases/$name"; w="$work/$name"
  rm -rf "$w"; mkdir -p "$w"
  (cd "$src" && tar --exclude=./expect -chf - . | tar -C "$w" -xf -)
  input=/dev/null; [ -f "$src/stdin" ] && input="$src/stdin"
  (cd "$w" && eval "timeout 120 \"$bin\" $args" <"$input" >"$w/console" 2>"$w/stderr")
  rc=$?
  # what the run left in its directory (compared where a case keeps an expect/listing)
  (cd "$w" && find . -mindepth 1 ! -name listing | LC_ALL=C sort >listing)
  if [ "$rc" != "$status" ]; then
    echo "FAIL $name: exit status $rc, expected $status"; fail=$((fail + 1))
    tail -5 "$w/console"; cat "$w/stderr"
    continue
  fi
  if [ $update = 1 ]; then
    mkdir -p "$src/expect"
    for f in "$src"/expect/*; do [ -f "$f" ] && cp "$w/$(basename "$f")" "$f"; done
    echo "updated $name (review the files before committing)"
    continue
  fi
  bad=0
  if [ -d "$src/expect" ]; then
    while IFS= read -r -d '' e; do
      rel=${e#"$src/expect/"}
      if [ ! -e "$w/$rel" ]; then echo "FAIL $name: $rel was not produced"; bad=1; continue; fi
      if ! diff -u <(mask "$e") <(mask "$w/$rel") >"$w/$(echo "$rel" | tr / _).diff"; then
        echo "FAIL $name: $rel differs"; head -40 "$w/$(echo "$rel" | tr / _).diff"; bad=1
      fi
    done < <(find "$src/expect" -type f -print0)
  fi
  if [ $bad = 0 ]; then echo "ok   $name"; else fail=$((fail + 1)); fi
done < <(cat "$dir/cases.tst" "$dir"/cases-*.tst 2>/dev/null)
echo "$ran cases, $fail failed"
[ $fail = 0 ]
