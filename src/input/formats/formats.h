// The genotype file formats of the field that TOLM reads besides its own: Genepop, FSTAT,
// Genetix, STRUCTURE, GenAlEx and VCF/BCF. A file in one of them is turned into a TOLM input
// file (header, locus and deme names, UNFORMATTED, one locus-list record per deme, one record
// per individual) so that counting, every analysis and every output run on it unchanged: the
// analyses never know the format. For a run the converted file is held in memory, line by line,
// and read through the input unit as a file would be; -convert= writes it out.
//
// A reader checks the whole file before anything is written; a file that fails gives one
// message naming the file, the line and the field and what was expected, and nothing of it is
// counted.
#pragma once

#include <memory>
#include <string>

#include "core/runopts.h"
#include "io/units.h"

namespace tolm {

enum class Format { unknown, tolm, genepop, fstat, genetix, structure, genalex, vcf };

// "TOLM", "Genepop", "FSTAT", "Genetix", "STRUCTURE", "GenAlEx", "VCF".
const char* format_title(Format f);
// The name used by the option -format= ("tolm", "genepop", ...); Format::unknown for another.
Format format_from_name(const std::string& name);

// The format of a file, from its content where that is unambiguous, else from its extension.
// Format::unknown when it is none of them (or cannot be opened); `why` then says what was seen.
Format detect_format(const std::string& path, std::string& why);

// True when the file reads as a TOLM input header: record 1 holds the numbers of demes and loci,
// followed by that many names and a format record.
bool looks_like_tolm(const std::string& path);

// Writes the file `in` of format `f` as a TOLM input file `out`. False with a message in `err`
// (file, line, field, what was expected) when the file cannot be read; `out` is then not left
// behind. `o` gives -popmap=, -structure= and the VCF options (-region=, -samples=);
// `notes` receives lines for the console (samples left out, the format found, ...).
bool convert_to_tolm(const std::string& in, Format f, const RunOptions& o, const std::string& out,
                     std::string& err, std::string& notes);

// The same conversion held in memory instead of written: the lines of the TOLM input file, read
// through an input unit (io::Unit::open_source). Null with a message in `err` as above.
std::shared_ptr<const io::LineSource> convert_in_memory(const std::string& in, Format f,
                                                        const RunOptions& o, std::string& err,
                                                        std::string& notes);

// What start-up does with the input file `file` before opening it: decides its format (the
// option -format= first) and, for a foreign format, converts it: with -convert= into the file
// named there (Prepared::convert_only), otherwise into `held`, the TOLM input file held in
// memory (Prepared::held). A run writes no copy of its input, so none can be left behind by a
// run that is killed, and the records are counted from the data set without being formatted and
// parsed again. `title` is the format's title for a foreign file, empty for TOLM's own.
enum class Prepared { tolm, held, convert_only, failed };
Prepared prepare_input(const std::string& file, const RunOptions& o, std::string& title,
                       std::string& err, std::string& notes,
                       std::shared_ptr<const io::LineSource>& held);

}  // namespace tolm
