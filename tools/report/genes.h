// Gene annotation for the regions: GTF or GFF3 (gene records; gene_name or
// Name), or BED (name in column 4); plain or gzip-compressed; chromosome names
// with or without "chr".
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "genome_build.h"

struct Gene {
  int chromosome = 0;  // velmora's numbering: 1..22 as written, X as `xNumber`
  int64_t first = 0;   // 1-based, inclusive (bp)
  int64_t last = 0;    // 1-based, inclusive (bp)
  std::string name;
};

struct GeneSet {
  std::string format;       // "GTF", "GFF3" or "BED"
  std::vector<Gene> genes;  // sorted by chromosome, then first
  int64_t skipped = 0;      // records on chromosomes velmora does not number (Y, MT, scaffolds)
  std::string firstSkippedChromosome;  // the chromosome name of the first of them
};

// What a gene file may hold. A line of GENCODE or RefSeq stays under 10 kB and
// a gene name under 50 bytes; a human annotation has some 60,000 genes, an
// exon-level BED a few million records. The bounds keep one reading's memory,
// and the names the page and regions.tsv show, bounded.
struct GeneFileLimits {
  size_t lineBytes = size_t{1} << 20;  // bytes of one line, its line end not counted
  size_t nameBytes = 255;              // bytes of one gene name
  size_t genes = 4'000'000;            // genes kept (on chromosomes velmora numbers)
};

// Reads `path`; throws ReportError naming the file and line of the first
// malformed record, of a line longer than the bound, of a NUL byte, and of a
// gene name that the genes column of regions.tsv could not hold unambiguously
// (empty, longer than the bound, "-" or "NA", holding ',', a blank or a
// control character). `xNumber` is velmora's number of chromosome X.
GeneSet readGenes(const std::string& path, int xNumber, const GeneFileLimits& limits = {});

// Names of the genes overlapping [first, last] (1-based, inclusive) on
// `chromosome`, in position order, each once.
std::vector<const Gene*> genesOverlapping(const GeneSet& set, int chromosome, int64_t first,
                                          int64_t last);

// Refuses (ReportError) a gene file none of whose genes lies on a chromosome
// velmora analyses: its chromosome names follow another convention, and
// every region would show no gene. Returns a warning when genes end beyond
// their chromosome's length in `build` (a file of another build).
std::vector<std::string> checkGenesFitBuild(const GeneSet& set, const std::string& path,
                                            const GenomeBuild& build, int xNumber);
