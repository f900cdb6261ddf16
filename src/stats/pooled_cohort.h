// The pooled cohort behind the permutation scans: every autosome slot in
// bit-parallel form with all pooled subjects, the cover runs of every pooled
// pair as sorted events, and the -log10 p of every pair of levels.
#pragma once
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "base/parallel_for.h"
#include "hh/level_count.h"
#include "hh/packed_scan.h"
#include "hh/packed_slot.h"
#include "stats/permutation.h"

struct PooledSlot {
  int chr = 0;                    // autosome slot, 0-based
  int64_t begin = 0;              // SNP table index of the slot's first SNP
  std::vector<int64_t> position;  // bp
  std::vector<double> genetMap;   // cM
  PackedSlot packed;              // calls of every pooled subject
  // The same calls word by word: for word w, the AA and BB words of subject g
  // at 2 * (w * subjects + g), so that the sharing group's calls at one SNP
  // lie together.
  std::vector<uint64_t> callsByWord;
  // The analysis regions lying wholly in the slot, as slot-local inclusive
  // index ranges in table order, and per SNP whether it lies in one of them.
  std::vector<std::pair<int64_t, int64_t>> regions;
  std::vector<uint8_t> inRegion;
  // The representative HH where fewer than four patients share: the
  // homozygote of the less frequent allele, laid out like PackedSlot::calls.
  std::vector<uint64_t> lessFrequentHomozygote;
  // Cover changes of the pooled pairs in SNP order: (snp << 32) | (pair << 1)
  // | end, where a run first..last gives a start at `first` and an end at
  // last + 1 (omitted when that is past the slot).
  std::vector<uint64_t> events;
};

struct PooledCohort {
  int patients = 0, controls = 0;  // the run's pool sizes
  int subjects = 0;                // patients + controls
  double cutoff = 0;               // cM
  int64_t largeGap = 0;            // bp
  SharingRule rule;                // which opposite homozygotes end a stretch
  bool acrossPools = true;         // pairs of a patient and a control compared too (relabellings)
  std::vector<int32_t> pairFirst, pairSecond;  // pair number -> pooled subjects, first < second
  std::vector<PooledSlot> slots;               // non-empty autosome slots, ascending
  std::vector<float> levelMinusLogP;           // (patients + 1) x (controls + 1)

  float minusLogP(int patientLevel, int controlLevel) const {
    return levelMinusLogP[static_cast<size_t>(patientLevel) * static_cast<size_t>(controls + 1) +
                          static_cast<size_t>(controlLevel)];
  }
};

constexpr uint64_t kEventEnd = 1;
inline int64_t eventSnp(uint64_t event) {
  return static_cast<int64_t>(event >> 32);
}
inline uint32_t eventPair(uint64_t event) {
  return static_cast<uint32_t>(event) >> 1;
}

// Applies one cover event to the counts of its pair's two subjects (up by one
// at a run's first SNP, down past its last) and to `level`, the fold level of
// their pool; then moved(g, from, delta) for each subject, `from` its count
// before. Every sweep of a slot's events goes through here.
template <class Moved>
inline void applyCoverEvent(const PooledCohort& cohort, uint64_t event, int32_t* count,
                            MovingFoldLevel& level, const Moved& moved) {
  const uint32_t pair = eventPair(event);
  const int32_t delta = (event & kEventEnd) != 0 ? -1 : 1;
  for (const int32_t g : {cohort.pairFirst[pair], cohort.pairSecond[pair]}) {
    const int32_t from = count[g];
    count[g] = from + delta;
    level.step(from, delta);
    moved(g, from, delta);
  }
}

// The seed mixer and the bounded draw of the relabellings and null genomes,
// written out so that every standard library gives the same draws.
inline uint64_t seedMix(uint64_t x) {
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}
// A uniform draw from 0 .. range-1 (range >= 1), by rejection.
template <class Generator>
uint64_t drawBelow(Generator& generator, uint64_t range) {
  const uint64_t reject = (0 - range) % range;  // 2^64 mod range
  for (;;) {
    const uint64_t x = generator();
    if (x >= reject) return x % range;
  }
}

// Appends the cover changes of pair `pair`'s runs on a slot of `count` SNPs.
inline void appendCoverEvents(const std::vector<CoverRun>& cover, uint64_t pair, int64_t count,
                              std::vector<uint64_t>& events) {
  const uint64_t key = pair << 1;
  for (const CoverRun& run : cover) {
    events.push_back((static_cast<uint64_t>(run.first) << 32) | key);
    const uint64_t after = static_cast<uint64_t>(run.last) + 1;
    if (after < static_cast<uint64_t>(count)) events.push_back((after << 32) | key | kEventEnd);
  }
}

// Runs draw(k) for k = 0 .. count-1 on `threads` threads (each draw seeded
// by its k alone), calling progress(done) on the calling thread at the
// start, at most every 200 ms and at the end.
template <class Draw>
void runDraws(int64_t count, int threads, const Draw& draw,
              const std::function<void(int64_t)>& progress) {
  std::atomic<int64_t> done{0};
  auto lastReport = std::chrono::steady_clock::now();
  progress(0);
  forEachItemOnThreads(
      count, threads,
      [&](int64_t k, int) {
        draw(k);
        done.fetch_add(1);
      },
      [&] {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastReport < std::chrono::milliseconds(200)) return;
        lastReport = now;
        progress(done.load());
      });
  progress(count);
}

// Threads to use for `wanted` (0: one per hardware thread), at least 1.
int permutationThreads(int wanted);
