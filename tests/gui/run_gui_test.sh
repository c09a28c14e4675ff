#!/bin/sh
# Drives the real dialog windows under a virtual X display with simulated key presses.
#
#   run_gui_test.sh PROBE TOLM EXAMPLES WORKDIR
#
# 1. PROBE (fltk_gui_probe) shows the file dialog, the first dialog, the menu, the snail dialog
#    and a message box; the keys choose an example file, type a prefix, tick "Evenness" and
#    untick EPS; what the dialogs left in `wd` is compared with what was done.
# 2. TOLM is started without arguments; the keys choose the example file, tick frequencies,
#    diversity and subpopulation differentiation, restrict the run to loci 1 and 2 and confirm
#    every dialog; the results, tabular and snail files must exist afterwards.
#
# Exits 77 (skipped, with a message) when Xvfb or xdotool is missing. With TOLM_GUI_SHOTS set to
# a directory, the probe saves a picture of each window there.
set -u
PROBE=$1 TOLM=$2 EXAMPLES=$3 WORK=$4

for tool in Xvfb xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIPPED: $tool is not installed (scripts/install-deps installs it)"
    exit 77
  fi
done

XPID= APID=
cleanup() {
  [ -n "$APID" ] && kill "$APID" 2>/dev/null
  [ -n "$XPID" ] && kill "$XPID" 2>/dev/null
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

# A free display number: no lock file, no socket, and the server really starts.
n=90
while [ $n -lt 160 ]; do
  if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then
    Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XPID=$!
    i=0
    while [ $i -lt 50 ] && kill -0 $XPID 2>/dev/null; do
      DISPLAY=:$n xdotool getdisplaygeometry >/dev/null 2>&1 && break
      sleep 0.2
      i=$((i + 1))
    done
    DISPLAY=:$n xdotool getdisplaygeometry >/dev/null 2>&1 && break
    kill $XPID 2>/dev/null
    XPID=
  fi
  n=$((n + 1))
done
[ -n "$XPID" ] || fail "no virtual display could be started"
export DISPLAY=:$n

# Waits for the visible window of that title and gives it the keyboard.
window() {
  w=$(timeout 60 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
  [ -n "$w" ] || fail "the window \"$1\" did not appear"
  xdotool windowfocus --sync "$w" 2>/dev/null
  sleep 0.3
  [ -z "${TOLM_GUI_SHOTS:-}" ] || sleep 1 # time for the picture
}
keys() { xdotool key --delay 40 "$@"; }
back() { # n times Shift+Tab: the keyboard focus moves back from the OK button
  i=0
  while [ $i -lt "$1" ]; do
    keys shift+Tab
    i=$((i + 1))
  done
}
finish() { # waits for the program started last; its exit status
  i=0
  while kill -0 "$APID" 2>/dev/null; do
    [ $i -lt 600 ] || fail "$1 did not end"
    sleep 0.2
    i=$((i + 1))
  done
  wait "$APID"
  rc=$?
  APID=
  return $rc
}

rm -rf "$WORK"
mkdir -p "$WORK/probe" "$WORK/tolm" || fail "cannot create $WORK"
cp "$EXAMPLES/microbov.dat" "$WORK/probe/" && cp "$EXAMPLES/microbov.dat" "$WORK/tolm/" ||
  fail "no example file"

# --- 1. the dialogs one by one -------------------------------------------------------------
cd "$WORK/probe" || exit 1
"$PROBE" ${TOLM_GUI_SHOTS:+"$TOLM_GUI_SHOTS"} >out.txt 2>err.txt &
APID=$!
window "Select input file"
xdotool type --delay 50 microbov.dat
keys Return
window "TOLM - Input prefix for output files"
back 1
keys ctrl+a
xdotool type --delay 50 guirun
keys Return
window "TOLM - Interactive input"
back 7 # from OK back over the calculations 10 to 4: Evenness
keys space Return
window "TOLM - Draw differentiation snails"
back 1 # EPS
keys space Return
window "TOLM - Output files"
keys Return
finish probe || fail "probe ended with status $? ($(cat err.txt))"
expected="file=$WORK/probe/microbov.dat
prefix=guirun
locsimu=1
aloclist=All 30 loci
ademlist=All 15 demes
ifrqstr=0010
iprog=0101010000
ieve=11
snail=1110"
[ "$(cat out.txt)" = "$expected" ] || fail "dialog results differ:
$(cat out.txt)
expected:
$expected"
echo "ok: dialogs (file, prefix, menu, snails, message box)"

# --- 2. a whole run of tolm in widget mode ---------------------------------------------------
cd "$WORK/tolm" || exit 1
printf '\n\n\n' >stdin.txt
"$TOLM" <stdin.txt >console.txt 2>err.txt &
APID=$!
window "Select input file"
xdotool type --delay 50 microbov.dat
keys Return
window "TOLM - Input prefix for output files"
keys Return
window "TOLM - Interactive input"
back 5 # Subpopulation differentiation
keys space
back 4 # Diversity
keys space
back 4 # Allele/haplotype frequencies
keys space
back 4 # the list of loci
keys ctrl+a
xdotool type --delay 50 "1 2"
keys Return
window "TOLM - Draw differentiation snails"
keys Return
window "TOLM - Output files"
keys Return
finish tolm || fail "tolm ended with status $? ($(tail -5 console.txt) $(cat err.txt))"
for f in microbov.dat-out.txt microbov.dat-tab.txt; do
  [ -s "$f" ] || fail "$f was not written"
done
grep -q "Locus   2" microbov.dat-out.txt || fail "locus 2 missing from the results"
grep -q "Locus   3" microbov.dat-out.txt && fail "locus 3 analysed though not chosen"
ls microbov.dat-Snails/*Locus_1.eps >/dev/null 2>&1 || fail "no EPS snail"
ls microbov.dat-Snails/*Locus_1.wmf >/dev/null 2>&1 || fail "no WMF snail"
echo "ok: tolm in widget mode wrote the results, tabular and snail files"
exit 0
