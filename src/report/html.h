// The HTML report <prefix>-report.html, written at the end of a run given "-report=html": one
// file a browser opens with nothing else beside it. It holds the head of the run (input file,
// format, demes and loci with their sample sizes, choices, seed, version, date), a summary
// (diversity, delta_T and delta per locus and kind; the Hardy-Weinberg exact p-values as a
// table of loci by demes with the combined tests; the homogeneity tests; the gene-pool measures
// with their intervals), the figures of the run, one section per locus (frequency tables,
// measures, tests, snails) reached from a table of contents, and notes on the measures.
//
// The numbers are the long table's rows kept in memory (`rs.longtab.rows`); the figures are the
// SVG files the run wrote into <prefix>-Figures/ (heat maps at its top, snails in snails/),
// inlined with their glyphs shared once for the whole page. Styles are inline, no script is
// needed to read the page (a small inline script only sorts tables), and nothing is loaded from
// elsewhere. Reads of the run state: `names`, `opt`, `input_format`, `longtab`, and of Work the
// locus and deme names; adds to `output_failures` when the report cannot be written.
//
// What always holds: every number cell is right-aligned with the decimals of the results file;
// those of the summary tables carry the long table's value in their `data-v` attribute; text
// from the data is escaped; figure ids are unique in the page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/longtable.h"

namespace tolm {

struct RunState;
struct Work;

// One figure to inline: its file name relative to the figures folder and its SVG text.
struct HtmlFigure {
  std::string file;  // "Dj-alleles.svg", "snails/01-INRA63-alleles-size.svg"
  std::string svg;
};

// What the head of the report shows, gathered from the run state.
struct HtmlHead {
  std::string input_file, format, date, version = "3.0";
  std::vector<std::string> demes;  // names, by deme number - 1
  std::vector<std::string> loci;   // names, by locus number - 1
  std::vector<std::string> analyses, kinds, options;
  uint64_t seed = 0;
};

// Per-locus sections are collapsed when a run has more combinations than this.
constexpr int kHtmlOpenSections = 50;

// The whole report as one string.
std::string html_report(const HtmlHead& head, const std::vector<LongRow>& rows,
                        const std::vector<HtmlFigure>& figures);

// The SVG files of a figures folder, heat maps first then snails, each in name order.
std::vector<HtmlFigure> read_html_figures(const std::string& dir);

// Escapes & < > " for HTML text and attributes.
std::string html_escape(const std::string& s);

// Writes <path><prefix>-report.html when the run asks for it and says so on the console.
void write_html_report(RunState& rs, const Work& w, const std::string& input_file,
                       const std::string& adate);

}  // namespace tolm
