# Reads genotype files with adegenet and compares the number of copies of every allele, per
# individual with the TOLM input file that TOLM wrote from the same file (-convert=), and per
# deme with the absolute allele frequencies of TOLM's results file from a run on that file.
#
#   Rscript adegenet_counts.R FORMAT FOREIGN_FILE TOLM_FILE N_IND N_LOC RESULTS_FILE
suppressMessages(library(adegenet))
a <- commandArgs(trailingOnly = TRUE)
fmt <- a[1]; foreign <- a[2]; tolm <- a[3]; nind <- as.integer(a[4]); nloc <- as.integer(a[5])
results <- a[6]

x <- switch(fmt,
  genepop = read.genepop(foreign, ncode = 3, quiet = TRUE),
  fstat = read.fstat(foreign, quiet = TRUE),
  genetix = read.genetix(foreign, quiet = TRUE),
  structure = read.structure(foreign, n.ind = nind, n.loc = nloc, onerowperind = FALSE,
                             col.lab = 1, col.pop = 2, row.marknames = 1, NA.char = "-9",
                             ask = FALSE, quiet = TRUE))

# adegenet: copies of each (locus, allele) per individual; NA where the genotype is missing
ta <- tab(x)
loc <- sub("\\.[^.]*$", "", colnames(ta))
all <- as.integer(sub("^.*\\.", "", colnames(ta)))

# TOLM file: header, names, UNFORMATTED, locus lists (second number 0), then individuals
lines <- readLines(tolm)
hd <- as.integer(strsplit(trimws(lines[1]), "[ ,]+")[[1]][1:2])
np <- hd[1]; nl <- hd[2]
locnames <- trimws(lines[2:(nl + 1)])
recs <- lapply(lines[(np + nl + 3):length(lines)], function(l) as.integer(strsplit(trimws(l), " +")[[1]]))
recs <- Filter(function(r) r[2] != 0, recs)
stopifnot(length(recs) == nrow(ta))

bad <- 0
tdeme <- sapply(recs, `[`, 1)
# demes: the same partition of the individuals
if (any(rowSums(table(pop(x), tdeme) > 0) != 1) || any(colSums(table(pop(x), tdeme) > 0) != 1)) {
  cat("FAIL", fmt, ": the demes differ\n"); bad <- 1
}
tt <- matrix(0, nrow(ta), ncol(ta))
for (i in seq_along(recs)) {
  r <- recs[[i]]
  for (j in seq_len(nl)) {
    al <- r[2 + 2 * j - 1:0]
    cols <- which(loc == locnames[j])
    if (all(al < 0)) { tt[i, cols] <- NA; next }
    for (v in al[al >= 0]) {
      k <- cols[all[cols] == v]
      if (length(k) != 1) { cat("FAIL", fmt, ": allele", v, "of locus", locnames[j], "unknown to adegenet\n"); bad <- 1; next }
      tt[i, k] <- tt[i, k] + 1
    }
  }
}
if (!identical(is.na(tt), is.na(unname(ta)))) { cat("FAIL", fmt, ": missing genotypes differ\n"); bad <- 1 }
d <- which(!is.na(tt) & tt != unname(ta), arr.ind = TRUE)
if (nrow(d) > 0) { cat("FAIL", fmt, ":", nrow(d), "allele counts of individuals differ\n"); bad <- 1 }
# per deme
pa <- rowsum(ifelse(is.na(ta), 0, ta), as.character(pop(x)))
pt <- rowsum(ifelse(is.na(tt), 0, tt), as.character(pop(x)))
if (any(pa != pt)) { cat("FAIL", fmt, ": allele counts per deme differ\n"); bad <- 1 }

# TOLM's results: per locus, the absolute frequencies of the alleles among the individuals of
# identified genotype, one column per deme (all demes on one line)
out <- readLines(results)
starts <- grep("^Allele_frequencies_among_individuals_of_identified_genotype", out)
if (length(starts) != nl) { cat("FAIL", fmt, ":", length(starts), "allele tables in the results\n"); bad <- 1 }
byd <- rowsum(ifelse(is.na(ta), 0, ta), tdeme)  # adegenet's counts per TOLM deme number
ncmp <- 0
for (j in seq_along(starts)) {
  i <- starts[j] + grep("^Absolute_frequency_distribution", out[starts[j]:length(out)])[1] + 3
  got <- list()
  while (!grepl("^ +-+", out[i])) {
    v <- as.numeric(strsplit(trimws(out[i]), " +")[[1]])
    got[[as.character(v[1])]] <- v[-1]
    i <- i + 1
  }
  cols <- which(loc == locnames[j])
  for (k in cols) {
    want <- byd[, k]
    have <- if (is.null(got[[as.character(all[k])]])) rep(0, np) else got[[as.character(all[k])]]
    if (any(want != have)) { cat("FAIL", fmt, ": locus", locnames[j], "allele", all[k], "counts", have, "adegenet", want, "\n"); bad <- 1 }
    ncmp <- ncmp + 1
  }
  if (length(setdiff(names(got), as.character(all[cols]))) > 0) { cat("FAIL", fmt, ": alleles unknown to adegenet in the results\n"); bad <- 1 }
}
if (bad == 0) cat("ok", fmt, ":", ncmp, "allele counts of the results file agree with adegenet\n")
if (bad == 0) cat("ok", fmt, ":", sum(pa), "alleles in", nrow(pa), "demes agree with adegenet\n")
quit(status = bad)
