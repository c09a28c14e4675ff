# Reads the long table of a run on the cattle data with one call of read.delim and checks a
# dozen of its values against the results file of the same run, read here on its own: locus 2
# (INRA5, with unknown individuals in some demes), deme 3 unless said otherwise.
#
#   Rscript roundtrip.R DIR     (DIR holds all-loci-long.tsv and all-loci-out.txt)
args <- commandArgs(TRUE)
dir <- args[1]
longfile <- file.path(dir, "all-loci-long.tsv")

lt <- read.delim(longfile)

fail <- 0
check <- function(what, ok) {
  if (!isTRUE(ok)) {
    cat("FAIL:", what, "\n")
    fail <<- fail + 1
  }
}

# --- the file as a data frame ---
check("columns", identical(names(lt), c("pass", "combination", "loci", "kind", "deme",
  "deme_name", "other_deme", "type", "measure", "value", "ci_low", "ci_high", "df", "p_value",
  "p_se", "method")))
check("one row per line", nrow(lt) == length(readLines(longfile)) - 1)
check("numeric value column", is.numeric(lt$value))
check("numeric deme column", is.numeric(lt$deme) && is.numeric(lt$other_deme))
check("every row has a measure", all(nzchar(lt$measure)))
check("kinds", all(lt$kind %in% c("maternal", "paternal", "alleles", "genotypes")))

# --- the results file, read on its own ---
out <- readLines(file.path(dir, "all-loci-out.txt"))
# the analysis of the locus: from its heading to the next locus heading
loc0 <- grep("^Locus   2 - INRA5", out)[1]
loc1 <- grep("^Locus   3 - ", out)
loc1 <- loc1[loc1 > loc0][1]
reg <- out[loc0:(loc1 - 1)]
rule <- strrep("=", 72)
# lines of the section headed by `title` up to the next rule-framed title
section <- function(title) {
  i <- which(trimws(reg) == title)[1]
  rules <- which(reg == rule)
  j <- rules[rules > i + 1][1]
  if (is.na(j)) j <- length(reg) + 1
  reg[(i + 1):(j - 1)]
}
tokens <- function(line) strsplit(trimws(line), " +")[[1]]
# the value of deme `deme` on the first line starting with `label` after the line `after`
# (demes 1 to 10 stand in the first block: the value is the deme-th number of the row)
value_in <- function(lines, after, label, deme, skip = 0) {
  i <- which(startsWith(trimws(lines), after))[1]
  rest <- lines[(i + 1):length(lines)]
  r <- rest[startsWith(trimws(rest), label)][1 + skip]
  v <- tokens(substring(trimws(r), nchar(label) + 1))
  as.numeric(gsub("<", "", v[deme]))
}
# value rows without a label: the line after the first Deme row that follows `after`
unlabelled <- function(lines, after, deme) {
  i <- which(startsWith(trimws(lines), after))[1]
  as.numeric(tokens(lines[i + 2])[deme])
}

alle <- section("Allele_frequencies_among_individuals_of_identified_genotype")
geno <- section("Genotype_frequencies")
het <- section("Heterozygosity")

get <- function(measure, kind = "alleles", deme = 3, type = NA, other = NA) {
  s <- lt[lt$loci == "INRA5" & lt$kind == kind & lt$measure == measure, ]
  s <- s[!is.na(s$deme) & s$deme == deme, ]
  if (!is.na(type)) s <- s[as.character(s$type) == type, ]
  if (!is.na(other)) s <- s[s$other_deme == other, ]
  if (nrow(s) != 1) return(NA)
  s$value
}
near <- function(a, b) !is.na(a) && !is.na(b) && abs(a - b) <= 0.0005 + 1e-6

check("sample_size", get("sample_size") == value_in(alle, "Gam.sex.spec.?", "Deme_size", 3))
check("identified", get("identified") == value_in(alle, "Gam.sex.spec.?", "No._identified", 3))
check("unknown", get("unknown") == value_in(alle, "Gam.sex.spec.?", "No._unknown", 3))
check("alpha", near(get("alpha"), value_in(alle, "Gam.sex.spec.?", "alpha", 3)))
check("alpha_hwp", near(get("alpha_hwp"), value_in(alle, "Gam.sex.spec.?", "alpha-HWP", 3)))
check("count of allele 141",
      get("count", type = "141") == value_in(alle, "Absolute_frequency_distribution", "141", 3))
check("relative frequency of allele 143",
      near(get("relative_frequency", type = "143"),
           value_in(alle, "Relative_frequency_distribution", "143", 3)))
check("diversity_v2", near(get("diversity_v2"), unlabelled(alle, "DIVERSITY_v_2", 3)))
check("delta_T", near(get("differentiation_delta_T"),
                      unlabelled(alle, "TOTAL_POPULATION_DIFFERENTIATION_delta_T", 3)))
check("evenness_finite", near(get("evenness_finite", deme = 1),
      value_in(alle, "EVENNESS_e_FOR_FINITE_POPULATION_SIZE", "absolute_e", 1)))
check("evenness_infinite_types", get("evenness_infinite_types", deme = 1) ==
      value_in(alle, "EVENNESS_e_FOR_INFINITE_POPULATION_SIZE", "for_No.types", 1))
check("distance_d0 of demes 3 and 2",
      near(get("distance_d0", other = 2), value_in(alle, "GENETIC_DISTANCE_d_0", "3 |", 2)))
dj <- which(alle == "- RELATIVE_SUBPOPULATION_SIZE_PROPORTIONAL_TO_DEME_SIZE")
check("relative_size_Cj", near(get("relative_size_Cj"), as.numeric(tokens(alle[dj + 2])[4])))
check("differentiation_Dj", near(get("differentiation_Dj"), as.numeric(tokens(alle[dj + 3])[4])))
dji <- which(alle == "- RELATIVE_SUBPOPULATION_SIZES_ALL_EQUAL_TO_(1/NO._SUBPOPS)")
check("differentiation_Dj_equal",
      near(get("differentiation_Dj_equal"), as.numeric(tokens(alle[dji + 3])[4])))
deltas <- as.numeric(sub(".*delta= *", "", grep("delta=", alle, value = TRUE)))
whole <- function(m) lt$value[lt$loci == "INRA5" & lt$kind == "alleles" & lt$measure == m]
check("differentiation_delta", near(whole("differentiation_delta"), deltas[1]))
check("differentiation_delta_equal", near(whole("differentiation_delta_equal"), deltas[2]))
check("delta of the whole population has no deme",
      all(is.na(lt$deme[lt$measure == "differentiation_delta"])))
check("genotype count of 141 x 143",
      get("count", "genotypes", type = "141 143") ==
        value_in(geno, "Absolute_frequency_distribution", "141 x 143", 3))
check("heterozygosity_observed", near(get("heterozygosity_observed", "genotypes"),
                                      unlabelled(het, "PROPORTION OF HETEROZYGOSITY", 3)))
check("heterozygosity_conditional", near(get("heterozygosity_conditional", "genotypes"),
                                         unlabelled(het, "CONDITIONAL HETEROZYGOSITY", 3)))
if (fail > 0) quit(status = 1)
cat("long table read by R: all checks passed\n")
