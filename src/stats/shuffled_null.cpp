// Null genomes for a patient pool alone, drawn block by block from the
// patients' own calls (the model is stated in shuffled_null.h).
#include "stats/shuffled_null.h"

#include <algorithm>
#include <random>

#include "base/output.h"
#include "base/parallel_for.h"
#include "hh/level_count.h"
#include "hh/packed_scan.h"
#include "stats/pooled_cohort.h"

namespace {

// One block's SNPs: bits of one word of the slot's bitsets.
struct Block {
  int64_t word;
  uint64_t mask;
};

std::vector<Block> blocksOf(const PooledSlot& slot) {
  std::vector<Block> blocks;
  int64_t start = 0;
  for (int64_t k = 0; k < slot.packed.count; ++k) {
    // A NaN map distance never starts a block: the word's end does.
    if ((k & 63) == 0 ||
        slot.genetMap[static_cast<size_t>(k)] - slot.genetMap[static_cast<size_t>(start)] >=
            kNullBlockCm) {
      blocks.push_back({k >> 6, 0});
      start = k;
    }
    blocks.back().mask |= uint64_t{1} << (k & 63);
  }
  return blocks;
}

// The longest stretch at each level over one slot, from its per-SNP levels:
// stretches of level >= L are open for L = 1 .. open_, each from its first
// SNP, and closed where the level falls below L, outside the analysis
// regions and across a large gap.
class StretchTracker {
 public:
  // SNPs from `first` (slot index) on; a stretch never reaches before it.
  StretchTracker(const PooledSlot& slot, std::vector<double>& longest, int64_t first = 0)
      : slot_(slot), longest_(longest), from_(longest.size(), 0), first_(first) {}

  // SNP k (slot index, in increasing order) with level `level`.
  void at(int64_t k, int32_t level) {
    const bool inRegion = slot_.inRegion[static_cast<size_t>(k)] != 0;
    const bool joins = k > first_ && slot_.inRegion[static_cast<size_t>(k) - 1] != 0 &&
                       !slot_.packed.gapAfterSnp(k - 1);
    if (!joins) closeDownTo(0, k - 1);
    if (!inRegion) return;
    level = std::min<int32_t>(level, static_cast<int32_t>(longest_.size()) - 1);
    if (level < open_) closeDownTo(level, k - 1);
    for (; open_ < level; ++open_) from_[static_cast<size_t>(open_) + 1] = k;
  }
  // Ends every open stretch at SNP `last` (the slot's last by default).
  void finish(int64_t last = -1) { closeDownTo(0, last >= 0 ? last : slot_.packed.count - 1); }

 private:
  void closeDownTo(int32_t level, int64_t last) {
    for (; open_ > level; --open_) {
      const double length = static_cast<double>(last - from_[static_cast<size_t>(open_)] + 1);
      double& best = longest_[static_cast<size_t>(open_)];
      if (length > best) best = length;
    }
  }

  const PooledSlot& slot_;
  std::vector<double>& longest_;
  std::vector<int64_t> from_;
  int64_t first_;
  int32_t open_ = 0;
};

// Sweeps a slot's sorted pair events (all pairs within the one pool),
// keeping the level exact at every SNP, into the tracker.
void sweepSlot(const PooledCohort& cohort, const PooledSlot& slot,
               const std::vector<uint64_t>& events, std::vector<int32_t>& count,
               MovingFoldLevel& level, std::vector<double>& longest) {
  std::fill(count.begin(), count.end(), 0);
  level.reset(cohort.patients);
  StretchTracker tracker(slot, longest);
  size_t e = 0;
  for (int64_t k = 0; k < slot.packed.count; ++k) {
    for (; e < events.size() && eventSnp(events[e]) == k; ++e)
      applyCoverEvent(cohort, events[e], count.data(), level, [](int32_t, int32_t, int32_t) {});
    tracker.at(k, level.level());
  }
  tracker.finish();
}

struct NullScratch {
  std::vector<uint64_t> calls;  // the slot's shuffled calls, laid out as PackedSlot::homozygotes
  std::vector<int32_t> order;
  std::vector<CoverRun> cover;
  std::vector<uint64_t> events;
  std::vector<int32_t> count;
  MovingFoldLevel level;
};

NullGenome nullGenome(const PooledCohort& cohort, const std::vector<std::vector<Block>>& blocks,
                      uint64_t seed, int64_t k, NullScratch& work) {
  NullGenome genome;
  genome.longest.assign(static_cast<size_t>(cohort.patients) + 1, 0.0);
  std::mt19937_64 generator(seedMix(seed ^ seedMix(static_cast<uint64_t>(k))));
  const int n = cohort.patients;
  work.count.assign(static_cast<size_t>(n), 0);
  work.order.resize(static_cast<size_t>(n));
  for (size_t s = 0; s < cohort.slots.size(); ++s) {
    const PooledSlot& slot = cohort.slots[s];
    const int64_t words = slot.packed.words;
    work.calls.assign(slot.packed.homozygotes.size(), 0);
    for (const Block& block : blocks[s]) {
      for (int i = 0; i < n; ++i) work.order[static_cast<size_t>(i)] = i;
      for (int i = n - 1; i > 0; --i) {
        const int j = static_cast<int>(drawBelow(generator, static_cast<uint64_t>(i) + 1));
        std::swap(work.order[static_cast<size_t>(i)], work.order[static_cast<size_t>(j)]);
      }
      for (int i = 0; i < n; ++i) {
        const uint64_t* from = slot.packed.calls(work.order[static_cast<size_t>(i)]);
        uint64_t* to = work.calls.data() + 2 * words * i;
        to[2 * block.word] |= from[2 * block.word] & block.mask;
        to[2 * block.word + 1] |= from[2 * block.word + 1] & block.mask;
      }
    }
    work.events.clear();
    for (size_t q = 0; q < cohort.pairFirst.size(); ++q) {
      work.cover.clear();
      scanPackedCalls(slot.packed, work.calls.data() + 2 * words * cohort.pairFirst[q],
                      work.calls.data() + 2 * words * cohort.pairSecond[q], cohort.cutoff,
                      work.cover, cohort.rule);
      appendCoverEvents(work.cover, q, slot.packed.count, work.events);
    }
    std::sort(work.events.begin(), work.events.end());
    sweepSlot(cohort, slot, work.events, work.count, work.level, genome.longest);
  }
  return genome;
}

void requireOnePool(const PooledCohort& cohort) {
  if (cohort.controls != 0)
    fatal("ERROR: Null genomes are drawn for a patient pool alone; this cohort has controls.\n");
}

}  // namespace

NullGenome observedGenome(const PooledCohort& cohort) {
  requireOnePool(cohort);
  NullGenome genome;
  genome.longest.assign(static_cast<size_t>(cohort.patients) + 1, 0.0);
  std::vector<int32_t> count(static_cast<size_t>(cohort.patients), 0);
  MovingFoldLevel level;
  for (const PooledSlot& slot : cohort.slots)
    sweepSlot(cohort, slot, slot.events, count, level, genome.longest);
  return genome;
}

std::vector<NullGenome> shuffledNullGenomes(const PooledCohort& cohort, uint64_t seed,
                                            int64_t count, int threads,
                                            const std::function<void(int64_t)>& progress) {
  requireOnePool(cohort);
  if (count < 0) fatal("ERROR: The number of null genomes must not be negative.\n");
  std::vector<std::vector<Block>> blocks;
  for (const PooledSlot& slot : cohort.slots) blocks.push_back(blocksOf(slot));
  std::vector<NullGenome> genomes(static_cast<size_t>(count));
  runDraws(
      count, permutationThreads(threads),
      [&](int64_t k) {
        thread_local NullScratch work;
        genomes[static_cast<size_t>(k)] = nullGenome(cohort, blocks, seed, k + 1, work);
      },
      progress);
  return genomes;
}

double longestStretchAtLevel(const PooledCohort& cohort, const std::vector<int32_t>& level,
                             int32_t atLeast, int64_t first, int64_t last) {
  // The null genomes' own tracker, its levels capped at `atLeast`.
  std::vector<double> longest(static_cast<size_t>(std::max(atLeast, 0)) + 1, 0.0);
  for (const PooledSlot& slot : cohort.slots) {
    const int64_t begin = std::max(first, slot.begin) - slot.begin;
    const int64_t end = std::min(last + 1, slot.begin + slot.packed.count) - slot.begin;
    if (begin >= end) continue;
    StretchTracker tracker(slot, longest, begin);
    for (int64_t k = begin; k < end; ++k) tracker.at(k, level[static_cast<size_t>(slot.begin + k)]);
    tracker.finish(end - 1);
  }
  return longest.back();
}
