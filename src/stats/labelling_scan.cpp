// Both comparisons of one labelling, redone from the pooled pairs' cover
// events.
//
// A pool's cover count of a subject changes by one at each event of a pair
// within that pool, and the fold-overlap level (the smallest L with at most L
// counts of at least L) then moves by at most one, so one sweep over a slot's
// events keeps both pools' levels exact at every SNP. Where four or more
// relabelled patients share, the representative HH takes the majority
// homozygote of the sharing group (the patients whose count reaches the level
// minus one, all among those counting at least three); elsewhere it keeps the
// homozygote of the less frequent allele. Every pooled subject is then
// scanned against it with the same kernel as the pairs.
#include <cstdio>

#include "driver/lines/output.h"
#include "hh/packed_scan.h"
#include "stats/pooled_cohort.h"

namespace {

// One pool's fold-overlap level, kept as its subjects' counts move by one.
class PoolLevel {
 public:
  void reset(int subjects) {
    atLeast_.assign(static_cast<size_t>(subjects) + 2, 0);
    atLeast_[0] = subjects;
    level_ = subjects > 0 ? 1 : 0;
  }
  // A subject's count goes from `from` to from + 1.
  void raise(int32_t from) {
    ++atLeast_[static_cast<size_t>(from) + 1];
    if (atLeast_[static_cast<size_t>(level_)] > level_) ++level_;
  }
  // A subject's count goes from `from` to from - 1.
  void lower(int32_t from) {
    --atLeast_[static_cast<size_t>(from)];
    if (level_ > 0 && atLeast_[static_cast<size_t>(level_) - 1] <= level_ - 1) --level_;
  }
  int32_t level() const { return level_; }

 private:
  std::vector<int32_t> atLeast_;  // [x]: subjects whose count is at least x
  int32_t level_ = 0;
};

// Patients whose count is at least 3: the only ones that can belong to a
// sharing group of level four or more.
class CandidateSet {
 public:
  void reset(size_t subjects) {
    members_.clear();
    place_.assign(subjects, -1);
  }
  void add(int32_t g) {
    place_[static_cast<size_t>(g)] = static_cast<int32_t>(members_.size());
    members_.push_back(g);
  }
  void remove(int32_t g) {
    const int32_t at = place_[static_cast<size_t>(g)];
    const int32_t moved = members_.back();
    members_[static_cast<size_t>(at)] = moved;
    place_[static_cast<size_t>(moved)] = at;
    members_.pop_back();
    place_[static_cast<size_t>(g)] = -1;
  }
  const std::vector<int32_t>& members() const { return members_; }

 private:
  std::vector<int32_t> members_;
  std::vector<int32_t> place_;
};

constexpr int32_t kCandidateCount = 3;

bool hasBit(const uint64_t* calls, int64_t k, int which) {
  return (calls[2 * (k >> 6) + which] >> (k & 63)) & 1;
}

struct Scratch {
  std::vector<int32_t> count;  // per pooled subject, the pool's cover count
  PoolLevel level[2];          // [0] patients, [1] controls
  CandidateSet candidates;
  std::vector<uint64_t> representative;
  std::vector<int32_t> difference[2];  // per SNP + 1, representative cover changes per pool
  std::vector<CoverRun> cover;
  std::vector<int32_t> plainLevel[2], representativeLevel[2];  // per SNP, for segments
};

// The segments of one scan on a slot from its per-SNP levels.
void appendSegments(const PooledCohort& cohort, const PooledSlot& slot, int scan,
                    const std::vector<int32_t>& patients, const std::vector<int32_t>& controls,
                    std::vector<ScanSegment>& out) {
  for (const auto& [first, last] : slot.regions) {
    int64_t k = first;
    while (k <= last) {
      const int32_t p = patients[static_cast<size_t>(k)], c = controls[static_cast<size_t>(k)];
      if (p == 0 && c == 0) {
        ++k;
        continue;
      }
      int64_t end = k;
      while (end < last && slot.position[static_cast<size_t>(end) + 1] -
                                   slot.position[static_cast<size_t>(end)] <
                               cohort.largeGap &&
             patients[static_cast<size_t>(end) + 1] == p &&
             controls[static_cast<size_t>(end) + 1] == c) {
        ++end;
      }
      out.push_back({scan, slot.begin + k, slot.begin + end, p, c, cohort.minusLogP(p, c)});
      k = end + 1;
    }
  }
}

void scanSlot(const PooledCohort& cohort, const PooledSlot& slot,
              const std::vector<uint8_t>& isPatient, Scratch& work, ScanMaxima& maxima,
              bool keepLevels) {
  const int64_t count = slot.packed.count;
  const size_t snps = static_cast<size_t>(count);
  std::fill(work.count.begin(), work.count.end(), 0);
  work.level[0].reset(cohort.patients);
  work.level[1].reset(cohort.controls);
  work.candidates.reset(static_cast<size_t>(cohort.subjects));
  work.representative = slot.lessFrequentHomozygote;
  if (keepLevels) {
    for (int q = 0; q < 2; ++q) {
      work.plainLevel[q].assign(snps, 0);
      work.representativeLevel[q].assign(snps, 0);
    }
  }

  // Plain comparison and the representative HH, in one sweep.
  const uint64_t* events = slot.events.data();
  const size_t eventCount = slot.events.size();
  size_t e = 0;
  for (int64_t k = 0; k < count; ++k) {
    for (; e < eventCount && eventSnp(events[e]) == k; ++e) {
      const uint32_t pair = eventPair(events[e]);
      const int32_t a = cohort.pairFirst[pair], b = cohort.pairSecond[pair];
      const uint8_t patient = isPatient[static_cast<size_t>(a)];
      if (patient != isPatient[static_cast<size_t>(b)]) continue;  // a pair across the pools
      PoolLevel& level = work.level[patient ? 0 : 1];
      const bool end = (events[e] & kEventEnd) != 0;
      for (const int32_t g : {a, b}) {
        int32_t& c = work.count[static_cast<size_t>(g)];
        if (end) {
          level.lower(c);
          if (patient && c == kCandidateCount) work.candidates.remove(g);
          --c;
        } else {
          level.raise(c);
          if (patient && c == kCandidateCount - 1) work.candidates.add(g);
          ++c;
        }
      }
    }
    if (!slot.inRegion[static_cast<size_t>(k)]) continue;
    const int32_t lp = work.level[0].level(), lc = work.level[1].level();
    const float value = cohort.minusLogP(lp, lc);
    if (value > maxima.plain) maxima.plain = value;
    if (keepLevels) {
      work.plainLevel[0][static_cast<size_t>(k)] = lp;
      work.plainLevel[1][static_cast<size_t>(k)] = lc;
    }
    if (lp <= kCandidateCount) continue;
    int nA = 0, nB = 0;
    for (const int32_t g : work.candidates.members()) {
      if (work.count[static_cast<size_t>(g)] < lp - 1) continue;  // not in the sharing group
      const uint64_t* calls = slot.packed.calls(g);
      nA += hasBit(calls, k, 0);
      nB += hasBit(calls, k, 1);
    }
    uint64_t* word = work.representative.data() + 2 * (k >> 6);
    const uint64_t bit = uint64_t{1} << (k & 63);
    word[0] &= ~bit;
    word[1] &= ~bit;
    if (nA > nB) word[0] |= bit;
    if (nA < nB) word[1] |= bit;  // a tie is AB, never an opposite homozygote
  }

  // Every subject against the representative HH.
  for (int q = 0; q < 2; ++q) work.difference[q].assign(snps + 1, 0);
  for (int g = 0; g < cohort.subjects; ++g) {
    work.cover.clear();
    scanPackedCalls(slot.packed, slot.packed.calls(g), work.representative.data(), cohort.cutoff,
                    work.cover);
    std::vector<int32_t>& difference = work.difference[isPatient[static_cast<size_t>(g)] ? 0 : 1];
    for (const CoverRun& run : work.cover) {
      ++difference[static_cast<size_t>(run.first)];
      --difference[static_cast<size_t>(run.last) + 1];
    }
  }
  int32_t lp = 0, lc = 0;
  for (size_t k = 0; k < snps; ++k) {
    lp += work.difference[0][k];
    lc += work.difference[1][k];
    if (!slot.inRegion[k] || (lp == 0 && lc == 0)) continue;
    const float value = cohort.minusLogP(lp, lc);
    if (value > maxima.representative) maxima.representative = value;
    if (keepLevels) {
      work.representativeLevel[0][k] = lp;
      work.representativeLevel[1][k] = lc;
    }
  }
}

}  // namespace

ScanMaxima labellingMaxima(const PooledCohort& cohort, const std::vector<uint8_t>& isPatient,
                           std::vector<ScanSegment>* segments) {
  size_t chosen = 0;
  for (const uint8_t label : isPatient) chosen += label != 0;
  if (isPatient.size() != static_cast<size_t>(cohort.subjects) ||
      chosen != static_cast<size_t>(cohort.patients)) {
    fatal("ERROR: A labelling must name %d patients among %d subjects.\n", cohort.patients,
          cohort.subjects);
  }
  ScanMaxima maxima;
  Scratch work;
  work.count.assign(static_cast<size_t>(cohort.subjects), 0);
  std::vector<ScanSegment> representative;
  for (const PooledSlot& slot : cohort.slots) {
    scanSlot(cohort, slot, isPatient, work, maxima, segments != nullptr);
    if (segments == nullptr) continue;
    appendSegments(cohort, slot, 0, work.plainLevel[0], work.plainLevel[1], *segments);
    appendSegments(cohort, slot, 1, work.representativeLevel[0], work.representativeLevel[1],
                   representative);
  }
  if (segments != nullptr) segments->insert(segments->end(), representative.begin(), representative.end());
  return maxima;
}
