// The shifted null: pair stretches moved at random, the highest level swept.
#include "stats/shifted_null.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>

#include "base/output.h"
#include "base/parallel_for.h"
#include "hh/level_count.h"
#include "stats/pooled_cohort.h"

namespace {

uint64_t splitMix(uint64_t x) {
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

// A uniform draw from 0 .. range-1 (range >= 1), by rejection: the same on
// every standard library.
uint64_t below(std::mt19937_64& generator, uint64_t range) {
  const uint64_t reject = (0 - range) % range;
  for (;;) {
    const uint64_t x = generator();
    if (x >= reject) return x % range;
  }
}

// Every pair's stretches of the cohort, in table indexes, from the cover
// events of its slots.
std::vector<PairStretch> stretchesOf(const PooledCohort& cohort) {
  std::vector<PairStretch> stretches;
  std::vector<int64_t> openAt(cohort.pairFirst.size(), -1);
  for (const PooledSlot& slot : cohort.slots) {
    for (uint64_t event : slot.events) {
      const uint32_t pair = eventPair(event);
      const int64_t snp = slot.begin + eventSnp(event);
      if ((event & kEventEnd) == 0) {
        openAt[pair] = snp;
      } else {
        stretches.push_back({pair, openAt[pair], snp - 1});
        openAt[pair] = -1;
      }
    }
    // A stretch that runs to the slot's end has no end event.
    for (uint32_t pair = 0; pair < openAt.size(); ++pair) {
      if (openAt[pair] < 0) continue;
      stretches.push_back({pair, openAt[pair], slot.begin + slot.packed.count - 1});
      openAt[pair] = -1;
    }
  }
  return stretches;
}

}  // namespace

int32_t shiftedHighestLevel(const std::vector<PairStretch>& stretches,
                            const std::vector<int32_t>& pairFirst,
                            const std::vector<int32_t>& pairSecond, int subjects,
                            const std::vector<uint8_t>& inRegion,
                            const std::vector<int64_t>& offsets) {
  const int64_t size = static_cast<int64_t>(inRegion.size());
  if (size == 0 || subjects < 1) return 0;
  // (position << 32 | pair << 1 | leaving): a pair enters at a stretch's
  // first SNP and leaves after its last; a moved stretch past the end goes
  // on from the start.
  std::vector<uint64_t> events;
  events.reserve(stretches.size() * 2 + 8);
  auto add = [&](int64_t from, int64_t to, uint32_t pair) {  // to < size
    events.push_back(static_cast<uint64_t>(from) << 32 | static_cast<uint64_t>(pair) << 1);
    if (to + 1 < size)
      events.push_back(static_cast<uint64_t>(to + 1) << 32 | static_cast<uint64_t>(pair) << 1 | 1);
  };
  for (const PairStretch& s : stretches) {
    const int64_t first = (s.first + offsets[s.pair]) % size;
    const int64_t last = first + (s.last - s.first);
    if (last < size) {
      add(first, last, s.pair);
    } else {
      add(first, size - 1, s.pair);
      add(0, last - size, s.pair);
    }
  }
  // Leaving before entering at one position: a count never goes below zero
  // on the way, and the level is read only once the position is settled.
  std::sort(events.begin(), events.end(), [](uint64_t a, uint64_t b) {
    const uint64_t pa = a >> 32, pb = b >> 32;
    if (pa != pb) return pa < pb;
    return (a & 1) > (b & 1) || ((a & 1) == (b & 1) && a < b);
  });
  std::vector<int64_t> regionBefore(static_cast<size_t>(size) + 1, 0);
  for (int64_t k = 0; k < size; ++k)
    regionBefore[static_cast<size_t>(k) + 1] =
        regionBefore[static_cast<size_t>(k)] + inRegion[static_cast<size_t>(k)];
  std::vector<int32_t> count(static_cast<size_t>(subjects), 0);
  MovingFoldLevel level;
  level.reset(subjects);
  int32_t highest = 0;
  int64_t from = 0;  // the settled level holds from here to the next event
  for (size_t i = 0; i <= events.size(); ++i) {
    const int64_t at = i < events.size() ? static_cast<int64_t>(events[i] >> 32) : size;
    if (at > from) {
      if (regionBefore[static_cast<size_t>(at)] > regionBefore[static_cast<size_t>(from)])
        highest = std::max(highest, level.level());
      from = at;
    }
    if (i == events.size()) break;
    const uint32_t pair = static_cast<uint32_t>(events[i]) >> 1;
    const int32_t delta = (events[i] & 1) != 0 ? -1 : 1;
    for (const int32_t g : {pairFirst[pair], pairSecond[pair]}) {
      level.step(count[static_cast<size_t>(g)], delta);
      count[static_cast<size_t>(g)] += delta;
    }
  }
  return highest;
}

std::vector<int32_t> shiftedLevelMaxima(const PooledCohort& cohort, uint64_t seed, int64_t count,
                                        int threads, const std::function<void(int64_t)>& progress) {
  if (count < 0) fatal("ERROR: The number of shifts must not be negative.\n");
  const std::vector<PairStretch> stretches = stretchesOf(cohort);
  int64_t size = 0;
  for (const PooledSlot& slot : cohort.slots) size = std::max(size, slot.begin + slot.packed.count);
  std::vector<uint8_t> inRegion(static_cast<size_t>(size), 0);
  for (const PooledSlot& slot : cohort.slots) {
    for (size_t k = 0; k < slot.inRegion.size(); ++k)
      inRegion[static_cast<size_t>(slot.begin) + k] = slot.inRegion[k];
  }
  const size_t pairs = cohort.pairFirst.size();
  std::vector<int32_t> maxima(static_cast<size_t>(count) + 1, 0);
  std::atomic<int64_t> done{0};
  auto lastReport = std::chrono::steady_clock::now();
  progress(0);
  forEachItemOnThreads(
      count + 1, permutationThreads(threads),
      [&](int64_t k, int) {
        std::vector<int64_t> offsets(pairs, 0);
        if (k > 0 && size > 0) {
          std::mt19937_64 generator(splitMix(seed ^ splitMix(static_cast<uint64_t>(k))));
          for (int64_t& o : offsets)
            o = static_cast<int64_t>(below(generator, static_cast<uint64_t>(size)));
        }
        maxima[static_cast<size_t>(k)] = shiftedHighestLevel(
            stretches, cohort.pairFirst, cohort.pairSecond, cohort.subjects, inRegion, offsets);
        done.fetch_add(1);
      },
      [&] {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastReport < std::chrono::milliseconds(200)) return;
        lastReport = now;
        progress(done.load());
      });
  progress(count + 1);
  return maxima;
}
