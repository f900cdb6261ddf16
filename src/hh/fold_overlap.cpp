// Fold-overlap counting: all pairs of a pool (or of the chosen subjects) on one
// slot, then the level of every SNP of the analysis regions.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

#include "base/parallel_for.h"
#include "genome/model.h"
#include "genome/run_listener.h"
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

// storeLevel with foldLevelCounted for every region SNP of the slot, on the
// engine's threads for large slots: every SNP is written by one thread only
// and the slot maximum is a maximum, so any split stores what the walk in
// region order stores. A failure (memory) reaches the caller in part order.
void storeCountedLevels(int pool, int chr, int n) {
  const int64_t s = slotBegin(chr), e = slotEnd(chr);
  std::vector<uint8_t> inRegion(static_cast<size_t>(e - s), 0);
  forEachRegionSnp(chr, [&](int64_t k) { inRegion[static_cast<size_t>(k - s)] = 1; });
  constexpr int64_t kCountersPerPart = int64_t{1} << 15;  // below that, threads cost more
  const int64_t parts = std::clamp<int64_t>((e - s) * std::max(n, 1) / kCountersPerPart, 1,
                                            static_cast<int64_t>(engineThreads()));
  std::vector<uint32_t> highest(static_cast<size_t>(parts), 0);
  forEachItemOnThreads(
      parts, static_cast<int>(parts),
      [&](int64_t p, int) {
        std::vector<uint32_t> histogram;
        const int64_t from = s + (e - s) * p / parts, to = s + (e - s) * (p + 1) / parts;
        for (int64_t k = from; k < to; ++k) {
          if (!inRegion[static_cast<size_t>(k - s)]) continue;
          const uint32_t level = foldLevelCounted(genome.sumSNP[k].rchhCount, n, histogram);
          genome.sumSNP[k].foldOverlap[pool] = level;
          genome.sumSNP[k].overlapCount[pool] = static_cast<int32_t>(level);
          highest[static_cast<size_t>(p)] = std::max(highest[static_cast<size_t>(p)], level);
        }
      },
      [] {});
  uint32_t& slotHighest = pass.maxOverlapChr[static_cast<size_t>(chr)];
  for (uint32_t level : highest) slotHighest = std::max(slotHighest, level);
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
    storeCountedLevels(pool, chr, n);
  }

  if (mode == 1) {
    if (settings.allFiles) writeFoldSummaryFile(pool, n, chr);
    if (runListener != nullptr) runListener->slotCounted(pool, n, chr);
  }
}
