// velmora's fold-overlap summary file of a pool (HH_FoldOverlap_Summary_*.txt):
// one row per SNP of the analysed chromosomes, in SNP table order, with each
// subject's RCHH cover count and the fold-overlap level; counts of SNPs outside
// the analysis regions are in parentheses.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct SummaryRow {
  int chromosome = 0;
  int64_t bp = 0;
  double cM = 0;
  bool inRegion = true;
  int level = 0;
  std::vector<int> counts;  // per subject, list order: pairs sharing an RCHH over the SNP
};

// Calls `visit` for every row, with its 0-based ordinal. `subjects` is the
// pool's size; counts are parsed only when `withCounts`. Throws ReportError
// naming the line of a malformed row.
void readSummaryFile(const std::string& path, int subjects, bool withCounts,
                     const std::function<void(size_t ordinal, const SummaryRow& row)>& visit);
