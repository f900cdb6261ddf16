// Gene annotation for the regions: GTF or GFF3 (gene records; gene_name or
// Name), or BED (name in column 4); plain or gzip-compressed; chromosome names
// with or without "chr".
#pragma once
#include <cstdint>
#include <string>
#include <vector>

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
};

// Reads `path`; throws ReportError naming the line of the first malformed record.
// `xNumber` is velmora's number of chromosome X.
GeneSet readGenes(const std::string& path, int xNumber);

// Names of the genes overlapping [first, last] (1-based, inclusive) on
// `chromosome`, in position order, each once.
std::vector<const Gene*> genesOverlapping(const GeneSet& set, int chromosome, int64_t first,
                                          int64_t last);
