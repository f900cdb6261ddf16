// The shifted null's sweep against its straightforward twin: every pair's
// stretches moved SNP by SNP onto a table of counts, the fold level of every
// SNP from the counts, the highest over the analysis regions; on random
// cohorts of stretches, offsets (wrapping past the end) and regions.
#include "stats/shifted_null.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "hh/kernel.h"

namespace {

int32_t straightHighest(const std::vector<PairStretch>& stretches,
                        const std::vector<int32_t>& first, const std::vector<int32_t>& second,
                        int subjects, const std::vector<uint8_t>& inRegion,
                        const std::vector<int64_t>& offsets) {
  const int64_t size = static_cast<int64_t>(inRegion.size());
  std::vector<std::vector<uint16_t>> counts(static_cast<size_t>(size),
                                            std::vector<uint16_t>(static_cast<size_t>(subjects)));
  for (const PairStretch& s : stretches) {
    for (int64_t k = s.first; k <= s.last; ++k) {
      const size_t at = static_cast<size_t>((k + offsets[s.pair]) % size);
      ++counts[at][static_cast<size_t>(first[s.pair])];
      ++counts[at][static_cast<size_t>(second[s.pair])];
    }
  }
  int32_t highest = 0;
  for (int64_t k = 0; k < size; ++k) {
    if (inRegion[static_cast<size_t>(k)] == 0) continue;
    highest = std::max(
        highest, static_cast<int32_t>(foldLevel(counts[static_cast<size_t>(k)].data(), subjects)));
  }
  return highest;
}

TEST(ShiftedNull, TheSweepEqualsCountingEverySnpOnRandomCohorts) {
  std::mt19937_64 random(11);
  for (int trial = 0; trial < 300; ++trial) {
    const int subjects = 2 + static_cast<int>(random() % 9);
    const int64_t size = 5 + static_cast<int64_t>(random() % 120);
    std::vector<int32_t> first, second;
    for (int a = 0; a < subjects; ++a) {
      for (int b = a + 1; b < subjects; ++b) {
        first.push_back(a);
        second.push_back(b);
      }
    }
    // Each pair's stretches are disjoint, as a pair's RCHHs are.
    std::vector<PairStretch> stretches;
    for (uint32_t pair = 0; pair < first.size(); ++pair) {
      for (int64_t k = static_cast<int64_t>(random() % 6); k < size;) {
        const int64_t length = 1 + static_cast<int64_t>(random() % 15);
        const int64_t last = std::min(size - 1, k + length - 1);
        if (random() % 3 != 0) stretches.push_back({pair, k, last});
        k = last + 2 + static_cast<int64_t>(random() % 20);
      }
    }
    std::vector<uint8_t> inRegion(static_cast<size_t>(size));
    for (uint8_t& r : inRegion) r = random() % 4 != 0;
    std::vector<int64_t> offsets(first.size());
    for (int64_t& o : offsets) o = trial % 5 == 0 ? 0 : static_cast<int64_t>(random() % size);
    ASSERT_EQ(shiftedHighestLevel(stretches, first, second, subjects, inRegion, offsets),
              straightHighest(stretches, first, second, subjects, inRegion, offsets))
        << "trial " << trial;
  }
}

}  // namespace
