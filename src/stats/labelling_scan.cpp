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
#include <algorithm>
#include <cstdio>

#include "base/output.h"
#include "hh/level_count.h"
#include "hh/packed_scan.h"
#include "hh/representative_rule.h"
#include "report/segment_rule.h"
#include "stats/pooled_cohort.h"

namespace {

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

// A patient becomes a candidate member of a sharing group when its count
// reaches the lowest count a member at the majority level has.
constexpr int32_t kCandidateCount = static_cast<int32_t>(kRepresentativeMajorityLevel) - 1;

constexpr uint8_t kAcrossPools = 2;

struct Scratch {
  std::vector<uint8_t> pairPool;  // per pair: 0 both patients, 1 both controls, kAcrossPools
  std::vector<uint64_t> within;   // the slot's events of pairs within a pool, in order
  std::vector<int32_t> count;     // per pooled subject, the pool's cover count
  MovingFoldLevel level[2];       // [0] patients, [1] controls
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
  // Both pools' levels as one mark, as the pass's pair key marks them.
  const auto mark = [&](int64_t k) {
    return static_cast<uint64_t>(static_cast<uint32_t>(patients[static_cast<size_t>(k)])) << 32 |
           static_cast<uint32_t>(controls[static_cast<size_t>(k)]);
  };
  const auto position = [&](int64_t k) { return slot.position[static_cast<size_t>(k)]; };
  for (const auto& [first, last] : slot.regions) {
    forEachSegmentOfRegion(
        first, last, cohort.largeGap, mark, position, [&](int64_t begin, int64_t end) {
          const int32_t p = patients[static_cast<size_t>(begin)];
          const int32_t c = controls[static_cast<size_t>(begin)];
          out.push_back({scan, slot.begin + begin, slot.begin + end, p, c, cohort.minusLogP(p, c)});
        });
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

  // The events of pairs within a pool, kept without a branch per event.
  work.within.resize(slot.events.size());
  size_t kept = 0;
  for (const uint64_t event : slot.events) {
    work.within[kept] = event;
    kept += work.pairPool[eventPair(event)] != kAcrossPools;
  }

  // Plain comparison and the representative HH, in one sweep.
  const uint64_t* events = work.within.data();
  size_t e = 0;
  for (int64_t k = 0; k < count; ++k) {
    for (; e < kept && eventSnp(events[e]) == k; ++e) {
      const uint8_t pool = work.pairPool[eventPair(events[e])];
      applyCoverEvent(
          cohort, events[e], work.count.data(), work.level[pool],
          [&](int32_t g, int32_t from, int32_t delta) {
            // A patient reaching 3, or falling from it (rare, so a branch).
            if ((pool == 0) & (from == (delta > 0 ? kCandidateCount - 1 : kCandidateCount))) {
              if (delta > 0) {
                work.candidates.add(g);
              } else {
                work.candidates.remove(g);
              }
            }
          });
    }
    if (!slot.inRegion[static_cast<size_t>(k)]) continue;
    const int32_t lp = work.level[0].level(), lc = work.level[1].level();
    const float value = cohort.minusLogP(lp, lc);
    if (value > maxima.plain) maxima.plain = value;
    if (keepLevels) {
      work.plainLevel[0][static_cast<size_t>(k)] = lp;
      work.plainLevel[1][static_cast<size_t>(k)] = lc;
    }
    if (lp < kRepresentativeMajorityLevel) continue;
    int nA = 0, nB = 0;
    const uint64_t* word0 = slot.callsByWord.data() +
                            2 * static_cast<size_t>(k >> 6) * static_cast<size_t>(cohort.subjects);
    const int shift = static_cast<int>(k & 63);
    for (const int32_t g : work.candidates.members()) {
      const int in = inSharingGroup(work.count[static_cast<size_t>(g)], lp);
      nA += in & static_cast<int>((word0[2 * g] >> shift) & 1);
      nB += in & static_cast<int>((word0[2 * g + 1] >> shift) & 1);
    }
    uint64_t* word = work.representative.data() + 2 * (k >> 6);
    const uint64_t bit = uint64_t{1} << (k & 63);
    word[0] &= ~bit;
    word[1] &= ~bit;
    const int call = majorityHomozygote(nA, nB);
    if (call == GTYPE_AA) word[0] |= bit;
    if (call == GTYPE_BB) word[1] |= bit;
  }

  // Every subject against the representative HH.
  for (int q = 0; q < 2; ++q) work.difference[q].assign(snps + 1, 0);
  for (int g = 0; g < cohort.subjects; ++g) {
    work.cover.clear();
    scanPackedCalls(slot.packed, slot.packed.calls(g), work.representative.data(), cohort.cutoff,
                    work.cover, cohort.rule);
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
  if (!cohort.acrossPools && !std::all_of(isPatient.begin(), isPatient.begin() + cohort.patients,
                                          [](uint8_t patient) { return patient == 1; })) {
    fatal("ERROR: A cohort pooled without the pairs across pools takes only its own labels.\n");
  }
  ScanMaxima maxima;
  // Reused by the relabellings a thread runs: several MB that would otherwise
  // be allocated and cleared for every relabelling.
  thread_local Scratch work;
  work.count.assign(static_cast<size_t>(cohort.subjects), 0);
  work.pairPool.resize(cohort.pairFirst.size());
  for (size_t q = 0; q < work.pairPool.size(); ++q) {
    const uint8_t a = isPatient[static_cast<size_t>(cohort.pairFirst[q])];
    const uint8_t b = isPatient[static_cast<size_t>(cohort.pairSecond[q])];
    work.pairPool[q] = a != b ? kAcrossPools : (a ? 0 : 1);
  }
  std::vector<ScanSegment> representative;
  for (const PooledSlot& slot : cohort.slots) {
    scanSlot(cohort, slot, isPatient, work, maxima, segments != nullptr);
    if (segments == nullptr) continue;
    appendSegments(cohort, slot, 0, work.plainLevel[0], work.plainLevel[1], *segments);
    appendSegments(cohort, slot, 1, work.representativeLevel[0], work.representativeLevel[1],
                   representative);
  }
  if (segments != nullptr)
    segments->insert(segments->end(), representative.begin(), representative.end());
  return maxima;
}
