#!/usr/bin/env bash
# make install into a temporary root (DESTDIR): the program, a manual page that man renders and
# that names every option --help names, and the examples.
#   install.sh BUILDDIR
set -u
build=$(realpath "$1")
root=$(mktemp -d /tmp/tolm-install-XXXXXX); trap 'rm -rf "$root"' EXIT
fail=0
bad() { echo "FAIL install: $*"; fail=1; }
command -v man >/dev/null || { echo "SKIPPED: man is not installed"; exit 77; }
DESTDIR="$root" cmake --install "$build" --prefix /usr/local >"$root.log" 2>&1 ||
  { cat "$root.log"; rm -f "$root.log"; echo "FAIL install: cmake --install"; exit 1; }
rm -f "$root.log"
p="$root/usr/local"
[ -x "$p/bin/tolm" ] || bad "no bin/tolm"
[ -f "$p/share/man/man1/tolm.1" ] || bad "no share/man/man1/tolm.1"
for f in microbov.dat all-loci.txt README.md; do
  [ -f "$p/share/doc/tolm/examples/$f" ] || bad "no examples/$f"
done
[ -x "$p/share/doc/tolm/examples/run-demo.sh" ] || bad "run-demo.sh not executable"
page=$(LC_ALL=C MANWIDTH=100 man -l "$p/share/man/man1/tolm.1" 2>"$root/err")
[ -s "$root/err" ] && { bad "man warns:"; cat "$root/err"; }
echo "$page" | grep -q '^NAME' || bad "the page does not render"
echo "$page" | grep -q 'EXAMPLES' || bad "no examples"
# every option of --help, by its name
n=0
for o in $("$p/bin/tolm" --help | grep -oE '^  (--?[a-z][a-z-]*|BATCHFILE)' ); do
  n=$((n + 1))
  echo "$page" | grep -qE -- "(^|[^a-z-])$o([^a-z-]|$)" || bad "the manual page does not name $o"
done
[ $n -ge 30 ] || bad "only $n options found in --help"
exit $fail
