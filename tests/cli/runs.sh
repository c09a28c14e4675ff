#!/usr/bin/env bash
# Whole runs of the binary for the runs without questions (-input= and its options), the input
# file named in place of a batch file, and input file names longer than 256 characters.
#
#   runs.sh BIN PART      PART: same | force | bad | datafile | longname | readme
#
# Each part works in a fresh temporary folder with the data of this folder and prints what it
# found wrong; the status is 0 when nothing was.
set -u
bin=$(realpath "$1"); part=$2
src=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/tolm-cli-XXXXXX); trap 'rm -rf "$work"' EXIT
fail=0
bad() { echo "FAIL $part: $*"; fail=1; }

# Text files with the date stamps masked (results, tables, EPS); other files as they are.
masked() {
  sed -E -e 's/Date [0-9]{2}-[A-Z][a-z]{2}-[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}/Date D/' \
         -e 's/^%%CreationDate:.*/%%CreationDate: D/' "$1"
}
# Compares every file of folder $1 (but the console and the batch file) with its namesake in $2.
same_files() {
  local a=$1 b=$2 f n=0
  while IFS= read -r f; do
    case "$f" in ./console|./answers.txt|./sexsome.dat) continue ;; esac
    n=$((n + 1))
    if [ ! -e "$b/$f" ]; then bad "$f written by the console run only"; continue; fi
    if ! cmp -s <(masked "$a/$f") <(masked "$b/$f"); then
      bad "$f differs"; diff <(masked "$a/$f") <(masked "$b/$f") | head -5
    fi
  done < <(cd "$a" && find . -type f | LC_ALL=C sort)
  local m; m=$(cd "$b" && find . -type f ! -name console ! -name sexsome.dat | wc -l)
  [ "$m" = "$n" ] || bad "the options run wrote $m files, the console run $n"
  [ "$n" -ge 3 ] || bad "only $n files written"
}
fresh() { rm -rf "$1"; mkdir -p "$1"; cp "$src/sexsome.dat" "$src/bad.cfg" "$1/"; }

case "$part" in
same)
  # An options run and the console run with the same choices write the same files.
  while IFS='|' read -r name rest; do
    case "$name" in ''|'#'*) continue ;; esac
    name=$(echo $name)
    opts=${rest##*|}; answers=${rest%|*}
    c="$work/$name-console"; o="$work/$name-options"
    fresh "$c"; fresh "$o"; rm -f "$c/bad.cfg" "$o/bad.cfg"
    echo "$answers" | tr '|' '\n' | sed 's/^ *//; s/ *$//' >"$c/answers.txt"
    (cd "$c" && "$bin" answers.txt >console 2>&1) || bad "$name: console run status $?"
    (cd "$o" && eval "\"$bin\" $opts" >console 2>&1) || bad "$name: options run status $?"
    grep -q ' ? : ' "$o/console" && bad "$name: the options run asked a question"
    same_files "$c" "$o"
  done <"$src/pairs.txt"
  ;;
force)
  # A second identical run: stopped without -force (files untouched), the same files with it.
  d="$work/run"; fresh "$d"
  opts="-input=sexsome.dat -out=r -analyses=all"
  (cd "$d" && "$bin" $opts >console1 2>&1) || bad "first run status $?"
  first=$(cd "$d" && find . -type f ! -name 'console*' | LC_ALL=C sort | xargs md5sum)
  stamp=$(cd "$d" && find . -mindepth 1 ! -name 'console*' -printf '%p %T@\n' | LC_ALL=C sort)
  mkdir "$work/first" && (cd "$d" && cp -r r-* sexsome.dat.cfg "$work/first/")
  sleep 1
  (cd "$d" && "$bin" $opts >console2 2>&1); rc=$?
  [ $rc = 1 ] || bad "second run without -force: status $rc, expected 1"
  grep -q 'exists already: give -force to overwrite it' "$d/console2" || bad "no message"
  now=$(cd "$d" && find . -mindepth 1 ! -name 'console*' -printf '%p %T@\n' | LC_ALL=C sort)
  [ "$stamp" = "$now" ] || bad "files of the first run touched or added"
  [ "$first" = "$(cd "$d" && find . -type f ! -name 'console*' | LC_ALL=C sort | xargs md5sum)" ] ||
    bad "files of the first run changed"
  (cd "$d" && "$bin" $opts -force >console3 2>&1) || bad "run with -force: status $?"
  rm "$d"/console* "$d/bad.cfg" "$d/sexsome.dat"
  (cd "$work/first" && find . -type f | LC_ALL=C sort) >"$work/l1"
  (cd "$d" && find . -type f | LC_ALL=C sort) >"$work/l2"
  cmp -s "$work/l1" "$work/l2" || bad "-force wrote other files"
  while read -r f; do
    cmp -s <(masked "$work/first/$f") <(masked "$d/$f") || bad "$f differs after -force"
  done <"$work/l1"
  ;;
bad)
  # Each bad command line: its message, status 2, and nothing written.
  while IFS='|' read -r want args msg; do
    case "$want" in ''|'#'*) continue ;; esac
    want=$(echo $want); msg=$(echo "$msg" | sed 's/^ *//; s/ *$//')
    d="$work/bad"; fresh "$d"
    (cd "$d" && eval "\"$bin\" $args" </dev/null >console 2>&1); rc=$?
    [ "$rc" = "$want" ] || bad "$args: status $rc, expected $want"
    grep -qF -- "$msg" "$d/console" || { bad "$args: no \"$msg\""; tail -2 "$d/console"; }
    left=$(cd "$d" && ls | grep -v -x -e console -e sexsome.dat -e bad.cfg)
    [ -z "$left" ] || bad "$args: wrote $left"
  done <"$src/bad-options.txt"
  ;;
datafile)
  # An input file named where the batch file goes: one framed line, the questions from the
  # keyboard, the same results as with a batch file that names it.
  c="$work/batch"; k="$work/keyboard"; fresh "$c"; fresh "$k"
  answers=$(grep '^all ' "$src/pairs.txt" | cut -d'|' -f3- | sed 's/|[^|]*$//')
  echo "sexsome.dat|$answers" | tr '|' '\n' | sed 's/^ *//; s/ *$//' >"$c/answers.txt"
  (cd "$c" && "$bin" answers.txt >console 2>&1) || bad "batch run status $?"
  echo "$answers" | tr '|' '\n' | sed 's/^ *//; s/ *$//' >"$work/keys"
  (cd "$k" && "$bin" sexsome.dat <"$work/keys" >console 2>&1) || bad "keyboard run status $?"
  n=$(grep -c '^ \*\* sexsome.dat is an input file, not a batch file: .* \*\*$' "$k/console")
  [ "$n" = 1 ] || bad "framed line written $n times"
  grep -q 'Enter name of input file' "$k/console" && bad "the input file was asked for"
  rm -f "$c/bad.cfg" "$k/bad.cfg"
  same_files "$c" "$k"
  # A real batch file still is one.
  (cd "$c" && rm -rf all-* sexsome.dat.cfg && "$bin" answers.txt >console 2>&1) ||
    bad "batch run status $?"
  grep -q 'not a batch file' "$c/console" && bad "a batch file taken for an input file"
  ;;
longname)
  # A name longer than 256 characters whose first 256 characters name another file: refused,
  # never cut.
  d="$work/long"; mkdir -p "$d"; cd "$d"
  p=""; while [ ${#p} -lt 200 ]; do p="${p}d123456789/"; done
  mkdir -p "$p"
  cut="$p$(printf 'f%.0s' $(seq 1 $((256 - ${#p}))))"
  cp "$src/sexsome.dat" "$cut"
  [ ${#cut} = 256 ] || bad "test name of ${#cut} characters"
  long="${cut}xyz.dat"
  for i in 1 2 3 4 5 6; do echo "$long"; done >keys
  "$bin" -nogui <keys >console 2>&1; rc=$?
  [ $rc = 1 ] || bad "console question: status $rc, expected 1"
  n=$(grep -c 'File name longer than 256 characters. Try again' console)
  [ "$n" = 6 ] || bad "console question: refused $n times of 6"
  grep -q 'Enter prefix' console && bad "console question: a cut name was opened"
  # The same for a batch file named on the command line.
  printf 'sexsome.dat\n' >"$cut"
  "$bin" "$long" </dev/null >console 2>&1; rc=$?
  [ $rc = 1 ] || bad "batch file: status $rc, expected 1"
  grep -q 'Error opening file containing batch input, cause=36' console ||
    bad "batch file: no refusal"
  ;;
readme)
  # The README's table of options names every option --help names.
  table=$(sed -n '/^### Command-line options/,/^### /p' "$src/../../README.md")
  for o in $("$bin" --help | grep -oE '^  (--?[a-z][a-z-]*|BATCHFILE)'); do
    echo "$table" | grep -qE -- "\`$o[=\`]" || bad "README's table of options lacks $o"
  done
  ;;
*) echo "unknown part $part"; exit 2 ;;
esac
exit $fail
