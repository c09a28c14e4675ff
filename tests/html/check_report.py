"""Checks of the HTML report of a run: check_report.py MODE REPORT DOM LONG FIGURES SHOT.

MODE page: the report parses as HTML5 without error, names no address outside itself, stays
below 5 MB; the DOM Chromium built has the title, one locus section per combination of the
long table, every SVG file of the figures folder inline, and the screenshot is not blank.
MODE pvalues: the Hardy-Weinberg table of the DOM holds, for every locus and deme, the p-value
of the long table's row.
"""
import csv
import os
import re
import struct
import sys
import zlib

import html5lib

SVG = "{http://www.w3.org/2000/svg}"


def fail(msg):
    print("FAIL: " + msg)
    sys.exit(1)


def long_rows(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f, delimiter="\t"))


def png_pixels(path):
    """The decompressed scan lines of a PNG file (filter bytes included)."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail("the screenshot is not a PNG file")
    at, idat = 8, b""
    while at < len(data):
        n, kind = struct.unpack(">I4s", data[at:at + 8])
        if kind == b"IDAT":
            idat += data[at + 8:at + 8 + n]
        at += 12 + n
    return zlib.decompress(idat)


def page(report, dom, rows, figures, shot):
    text = open(report, encoding="utf-8").read()
    if os.path.getsize(report) >= 5 * 1024 * 1024:
        fail("the report has %d bytes, not below 5 MB" % os.path.getsize(report))
    parser = html5lib.HTMLParser(strict=True)
    try:
        parser.parse(text)
    except Exception as e:  # html5lib raises ParseError with the position
        fail("the report is not well-formed HTML5: %s" % e)
    for pat in [r"[a-zA-Z][a-zA-Z0-9+.-]*://", r"""(?:href|src)\s*=\s*["']?//""", r"<link\b",
                r"<script[^>]*\bsrc=", r"<img\b", r"<iframe\b", r"@import", r"url\((?!#)"]:
        m = re.search(pat, text)
        if m:
            fail("the report names something outside itself: %r" % text[m.start():m.start() + 60])

    tree = html5lib.parse(open(dom, encoding="utf-8").read(), namespaceHTMLElements=False)
    title = tree.find(".//title")
    if title is None or title.text != "TOLM report: microbov.dat":
        fail("title %r" % (title.text if title is not None else None))
    combos = {(r["pass"], r["combination"]) for r in rows if r["loci"] != "pool" and r["combination"]}
    sections = [s for s in tree.iter("section") if "locus" in (s.get("class") or "").split()]
    if len(sections) != len(combos):
        fail("%d locus sections for %d combinations in the long table" % (len(sections), len(combos)))
    if combos and len(sections) != 30:
        fail("%d locus sections, the cattle data have 30 loci" % len(sections))
    links = {a.get("href") for a in tree.iter("a")}
    for s in sections:
        if "#" + s.get("id") not in links:
            fail("no link to section %s" % s.get("id"))

    files = []
    for base, _, names in os.walk(figures):
        files += [os.path.join(base, n) for n in names if n.endswith(".svg")]
    figs = [e for e in tree.iter(SVG + "svg") if "fig" in (e.get("class") or "").split()]
    if len(figs) != len(files):
        fail("%d SVG figures inline for %d files in %s" % (len(figs), len(files), figures))
    for e in figs:
        if not e.get("aria-label") or not list(e):
            fail("an empty figure or one without caption")

    px = png_pixels(shot)
    if len(set(px)) < 16:
        fail("the screenshot is blank (%d distinct byte values)" % len(set(px)))
    print("page: %d bytes, %d locus sections, %d figures" % (len(text), len(sections), len(figs)))


def pvalues(dom, rows):
    want = {(r["loci"], r["deme"]): r["p_value"] for r in rows
            if r["measure"] == "hardy_weinberg_exact" and r["pass"] == "1"}
    comb = {r["loci"]: r["p_value"] for r in rows
            if r["measure"] == "hardy_weinberg_exact_combined" and r["loci"] != "pool" and not r["deme"]}
    tree = html5lib.parse(open(dom, encoding="utf-8").read(), namespaceHTMLElements=False)
    table = next((t for t in tree.iter("table") if t.get("id") == "hw-exact"), None)
    if table is None:
        fail("no Hardy-Weinberg table")
    demes = [th.text for th in table.find("thead").iter("th")][1:-1]
    body = table.find("tbody").findall("tr")
    if len(body) != 30 or len(demes) != 15:
        fail("the Hardy-Weinberg table has %d loci x %d demes, not 30 x 15" % (len(body), len(demes)))
    n = 0
    for tr in body:
        locus = tr.find("th").text
        cells = tr.findall("td")
        if len(cells) != 16:
            fail("locus %s has %d cells" % (locus, len(cells)))
        for deme, td in zip(demes, cells):
            w = want.get((locus, deme), "")
            if td.get("data-v") != w:
                fail("locus %s deme %s: %r in the report, %r in the long table" % (locus, deme, td.get("data-v"), w))
            if w and abs(float(td.text) - float(w)) > 0.00005 + 1e-12:
                fail("locus %s deme %s: shown %s for %s" % (locus, deme, td.text, w))
            n += bool(w)
        if locus in comb and cells[-1].get("data-v") != comb[locus]:
            fail("locus %s: combined p-value %r, long table %r" % (locus, cells[-1].get("data-v"), comb[locus]))
    print("pvalues: %d cells equal to the long table" % n)


def main():
    mode, report, dom, longtab, figures, shot = sys.argv[1:7]
    rows = long_rows(longtab)
    if mode == "page":
        page(report, dom, rows, figures, shot)
    else:
        pvalues(dom, rows)


main()
