// Pieces shared by the engine's files: the slot in plain-array form that the
// pair kernels read, the pair loops, the checked look-ups of the pass tables,
// and the writers the fold-overlap counting uses.
#pragma once
#include <cstdint>
#include <vector>

#include "genome/model.h"
#include "hh/kernel.h"

// Plain-array copy of one slot's positions and map, plus reusable per-pair
// buffers, so the all-pairs loop allocates nothing per pair.
struct SlotArrays {
  int chr = 0;                    // slot, 0-based
  int64_t begin = 0;              // SNP table index of the slot's first SNP
  std::vector<int64_t> position;  // bp
  std::vector<double> genetMap;   // cM
  std::vector<uint8_t> codes1, codes2, covered;
  std::vector<uint16_t> startFlag, endFlag;
  SlotSpan span() const {
    return SlotSpan{static_cast<int64_t>(position.size()), position.data(), genetMap.data()};
  }
};

// Fills `arrays` from slot chr of the SNP table.
void loadSlotArrays(int chr, SlotArrays& arrays);

// conservedHaplotypeFor2 on an already loaded slot.
void comparePair(SlotArrays& arrays, int st1, int st2, int pool, int representative);

// The straightforward scan of one pair on a loaded slot, leaving the pair's
// RCHH flags on the slot's records (and its cover in arrays.covered).
PairTotals scanPairOnRecords(SlotArrays& arrays, int st1, int st2);

// The pairs one all-pairs call compares, in the order of their rows.
struct PairPlan {
  int pool = 0;
  std::vector<int> members;     // subjects compared, ascending
  int representativeSlot = -1;  // >= 0: each member against this slot; else every pair of members
  double step = 0;              // comparisons per tenth of the progress lines
};

// The bit-parallel engine on all threads: every pair of the plan with rows,
// counters, progress lines and the last pair's flags exactly as the walk of
// comparePair calls leaves them. The counters it raises must be 0 on entry.
// Returns false, having done nothing, when a row would stop the run (a
// missing call count or file name); the walk then stops at the same row.
bool compareAllPairsFast(SlotArrays& arrays, const PairPlan& plan);

// Stops the run with an "ERROR: " message unless chr is an autosome slot with
// its pass storage (temporary pair file entry, maxOverlapChr entry) in place.
void requireSlot(int chr);

// nEffectiveSNP entry of subject st of `pool` on slot chr (checked).
int64_t effectiveSNPs(int pool, int st, int chr);
bool hasEffectiveSNPs(int pool, int st, int chr);

// File-name body of subject st's genotyping file in `pool` (checked).
const char* subjectName(int pool, int st);
bool hasSubjectName(int pool, int st);

// Prints the tenths of a slot's comparisons reached so far: every tenth t with
// done / step > t, starting at *nextTenth.
void printProgress(int chr, double done, double step, long* nextTenth);

// Writes the per-chromosome fold-overlap summary file of `pool` for slot chr.
void writeFoldSummaryFile(int pool, int n, int chr);

// Calls visit(k) for every SNP k of the analysis regions that lie wholly
// within slot chr, regions in table order. Regions reaching outside the slot
// (and empty ones) are skipped.
template <typename Visit>
void forEachRegionSnp(int chr, Visit visit) {
  const int64_t first = slotBegin(chr), last = slotEnd(chr) - 1;
  const int64_t regions = genome.noRegions < static_cast<int64_t>(genome.includeRegion.size())
                              ? genome.noRegions
                              : static_cast<int64_t>(genome.includeRegion.size());
  for (int64_t r = 0; r < regions; ++r) {
    const Region& region = genome.includeRegion[static_cast<size_t>(r)];
    if (region.start < first || region.end > last || region.start > region.end) continue;
    for (int64_t k = region.start; k <= region.end; ++k) visit(k);
  }
}

// Sets foldOverlap[pool] and overlapCount[pool] of every SNP of slot chr to 0.
void clearLevels(int pool, int chr);

// Stores `level` as the level of SNP k for `pool` and raises the slot's maximum.
void storeLevel(int pool, int chr, int64_t k, uint32_t level);
