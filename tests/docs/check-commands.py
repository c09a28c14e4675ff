#!/usr/bin/env python3
"""Checks that the commands shown in README files name things that are there.

    check-commands.py REPO FILE.md...

Reads the shell code blocks (```sh, ```bash, ```console or without a language) and the inline
code spans of each FILE.md and checks, relative to the repository REPO:
  - every path whose first part is a file or folder at the top of REPO (other than the build
    folders) exists: `examples/all-loci.txt`, `tests/e2e/run.sh`;
  - every `make TARGET` names a target of the Makefile;
  - an `apt-get install` line lists exactly the packages of `scripts/install-deps --list`.
Prints one line per fault (FILE:LINE: what is wrong) and exits 1 when there is one.
"""
import os
import re
import shlex
import subprocess
import sys

SHELL_LANGS = {"", "sh", "bash", "shell", "console"}


def snippets(text):
    """Yields (line number, command text) of the shell code blocks and inline code spans."""
    fence = None
    held = ""  # a command continued on the next line with a backslash
    for n, line in enumerate(text.splitlines(), 1):
        m = re.match(r"\s*(```+|~~~+)\s*(\S*)", line)
        if m:
            if fence is None:
                fence = (m.group(1), m.group(2).lower())
            elif m.group(1).startswith(fence[0]):
                fence = None
            continue
        if fence is not None:
            if fence[1] in SHELL_LANGS:
                if line.endswith("\\"):
                    held += line[:-1] + " "
                    continue
                yield n, held + line
                held = ""
            continue
        for span in re.findall(r"`([^`]+)`", line):
            yield n, span


def words(command):
    """The words of one command line, without its comment."""
    try:
        return shlex.split(command, comments=True)
    except ValueError:  # an unbalanced quote in prose
        return command.split()


def make_targets(repo):
    targets = set()
    with open(os.path.join(repo, "Makefile"), encoding="utf-8") as f:
        for line in f:
            m = re.match(r"^([A-Za-z0-9_. -]+):(?!=)", line)
            if m:
                targets.update(m.group(1).split())
    return targets


def packages(repo):
    out = subprocess.run(["bash", os.path.join(repo, "scripts", "install-deps"), "--list"],
                         capture_output=True, text=True, check=True).stdout
    return set(out.split())


def check(repo, md, top, targets, pkgs):
    faults = []
    with open(os.path.join(repo, md), encoding="utf-8") as f:
        text = f.read()
    for n, snippet in snippets(text):
        for command in re.split(r"&&|\|\||;|\|", snippet):
            w = words(command)
            if w[:1] == ["sudo"]:
                w = w[1:]
            for i, word in enumerate(w):
                path = word.rstrip(".,:;)")
                if path.startswith("./"):
                    path = path[2:]
                first = path.split("/")[0]
                if ("/" in path and first in top and not re.search(r"[<>$*?\[{]", path)
                        and not os.path.exists(os.path.join(repo, path))):
                    faults.append(f"{md}:{n}: {path} does not exist")
                if i > 0 and w[0] == "make" and not word.startswith("-") and "=" not in word \
                        and word not in targets:
                    faults.append(f"{md}:{n}: make has no target {word}")
            if w[:2] == ["apt-get", "install"]:
                named = {x for x in w[2:] if not x.startswith("-")}
                if named != pkgs:
                    faults.append(f"{md}:{n}: the packages differ from scripts/install-deps --list: "
                                  f"missing {sorted(pkgs - named)}, extra {sorted(named - pkgs)}")
    return faults


def main():
    if len(sys.argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    repo = sys.argv[1]
    top = {e for e in os.listdir(repo) if not e.startswith(("build", "."))}
    targets = make_targets(repo)
    pkgs = packages(repo)
    faults = []
    for md in sys.argv[2:]:
        faults += check(repo, md, top, targets, pkgs)
    for fault in faults:
        print(fault)
    if not faults:
        print(f"commands of {', '.join(sys.argv[2:])}: every file and make target named is there")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
