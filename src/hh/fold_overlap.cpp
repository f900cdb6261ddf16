// Fold-overlap counting: all pairs of a pool (or of the chosen subjects) on one
// slot, then the level of every SNP of the analysis regions.
#include <cstdio>

#include "genome/model.h"
#include "hh/engine_internal.h"
#include "hh/engine_options.h"
#include "hh/hh.h"
#include "hh/level_count.h"

int isInRegion(int64_t index, int64_t regions) {
  if (regions > static_cast<int64_t>(genome.includeRegion.size())) {
    regions = static_cast<int64_t>(genome.includeRegion.size());
  }
  for (int64_t r = 0; r < regions; ++r) {
    const Region& region = genome.includeRegion[static_cast<size_t>(r)];
    if (index >= region.start && index <= region.end) return 1;
  }
  return 0;
}

void clearLevels(int pool, int chr) {
  for (int64_t k = slotBegin(chr); k < slotEnd(chr); ++k) {
    genome.sumSNP[k].foldOverlap[pool] = 0;
    genome.sumSNP[k].overlapCount[pool] = 0;
  }
}

void storeLevel(int pool, int chr, int64_t k, uint32_t level) {
  genome.sumSNP[k].foldOverlap[pool] = level;
  genome.sumSNP[k].overlapCount[pool] = static_cast<int32_t>(level);
  uint32_t& highest = pass.maxOverlapChr[static_cast<size_t>(chr)];
  if (level > highest) highest = level;
}

namespace {

// Whether subject j takes part: in mode 1 every subject does (the pass sets all
// flags); in mode 0 those the query chose.
bool chosen(int pool, int j, int mode) {
  if (mode == 1) return true;
  const std::vector<uint8_t>& flags = pass.targetSt[pool];
  return static_cast<size_t>(j) < flags.size() && flags[static_cast<size_t>(j)] == 1;
}

// The pair-by-pair walk: every chosen pair in row order, a progress check
// after every candidate pair.
void walkAllPairs(SlotArrays& arrays, int pool, int n, int mode, double step) {
  int64_t compared = 0;
  long nextTenth = 1;
  for (int a = 0; a < n - 1; ++a) {
    for (int b = a + 1; b < n; ++b) {
      if (chosen(pool, a, mode) && chosen(pool, b, mode)) {
        comparePair(arrays, a, b, pool, 0);
        ++compared;
      }
      printProgress(arrays.chr, static_cast<double>(compared), step, &nextTenth);
    }
  }
}

}  // namespace

void countRCHHSharedByMultiplePatients(int pool, int n, int chr, int mode) {
  std::fflush(stdout);
  requireSlot(chr);
  const int64_t s = slotBegin(chr), e = slotEnd(chr);
  // The representative's counter n belongs to the representative pass.
  for (int64_t k = s; k < e; ++k) {
    for (int j = 0; j < n; ++j) genome.sumSNP[k].rchhCount[j] = 0;
  }

  PairPlan plan;
  plan.pool = pool;
  for (int j = 0; j < n; ++j) {
    if (chosen(pool, j, mode)) plan.members.push_back(j);
  }
  const int64_t members = static_cast<int64_t>(plan.members.size());
  const int64_t pairs = members * (members - 1) / 2;
  // Slightly under a tenth, so the line for 10 always follows the last pair.
  plan.step = static_cast<double>(pairs) / 10.0 - 0.001;

  if (n > 0) {
    SlotArrays arrays;
    loadSlotArrays(chr, arrays);
    if (referenceEngine() || !compareAllPairsFast(arrays, plan)) {
      walkAllPairs(arrays, pool, n, mode, plan.step);
    }
  }

  clearLevels(pool, chr);
  if (referenceEngine()) {
    forEachRegionSnp(chr, [&](int64_t k) {
      storeLevel(pool, chr, k, foldLevel(genome.sumSNP[k].rchhCount, n));
    });
  } else {
    std::vector<uint32_t> histogram;
    forEachRegionSnp(chr, [&](int64_t k) {
      storeLevel(pool, chr, k, foldLevelCounted(genome.sumSNP[k].rchhCount, n, histogram));
    });
  }

  if (mode == 1) writeFoldSummaryFile(pool, n, chr);
}
