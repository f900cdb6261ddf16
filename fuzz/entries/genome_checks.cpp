// Invariants of the genome tables after a reader accepted its input.
#include "genome_checks.h"

#include <string>

#include "fuzz_support.h"
#include "genome/genome.h"
#include "genome/rsid_order.h"

void checkAnnotationTables() {
  const int32_t L = genome.lastChromosome;
  const int64_t N = genome.totalAnnotationDataCount;
  if (L < 2) fuzzFinding("accepted an annotation without autosomes");
  if (genome.sumSNP.size() != static_cast<size_t>(N))
    fuzzFinding("table size differs from its count");
  if (genome.chrPosition.size() != static_cast<size_t>(L) + 1) fuzzFinding("chromosome index size");
  if (genome.chrPosition[0] < 0 || genome.chrPosition[L] != N) fuzzFinding("chromosome index ends");
  for (int32_t c = 1; c <= L; ++c) {
    const int64_t from = genome.chrPosition[c - 1], to = genome.chrPosition[c];
    if (from > to) fuzzFinding("chromosome slot " + std::to_string(c) + " runs backwards");
    for (int64_t i = from; i < to; ++i) {
      if (genome.sumSNP[i].chr != c) {
        fuzzFinding("record " + std::to_string(i) + " of chromosome " +
                    std::to_string(genome.sumSNP[i].chr) + " in slot of chromosome " +
                    std::to_string(c));
      }
    }
  }
  if (genome.pASNP.size() != static_cast<size_t>(N)) fuzzFinding("pASNP size");
  for (int64_t i = 0; i < N; ++i) {
    if (genome.sumSNP[i].tableIndex != i) fuzzFinding("tableIndex");
    if (i > 0 && compareAnnotRsID(genome.pASNP[i - 1], genome.pASNP[i]) > 0)
      fuzzFinding("pASNP order");
  }
}

void checkRegions(long count, long size) {
  if (count < 0 || count > kMaxRegions) fuzzFinding("region count " + std::to_string(count));
  int64_t previousEnd = -1;
  for (long r = 0; r < count; ++r) {
    const Region& region = genome.includeRegion[static_cast<size_t>(r)];
    if (region.start > region.end) continue;  // an empty region, skipped by every consumer
    if (region.start < 0 || region.end >= size || region.start <= previousEnd) {
      fuzzFinding("region " + std::to_string(r) + " out of place");
    }
    if (genome.sumSNP[region.start].chr != genome.sumSNP[region.end].chr) {
      fuzzFinding("region " + std::to_string(r) + " spans two chromosomes");
    }
    previousEnd = region.end;
  }
}
