// The bit-parallel pair scan and the counted fold level against the
// straightforward kernels of kernel.h on thousands of random slots.
#include "hh/packed_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "hh/kernel.h"
#include "hh/level_count.h"
#include "hh/packed_slot.h"
#include "hh/random_slots.h"

namespace {

uint64_t bits(double x) {
  return std::bit_cast<uint64_t>(x);
}

std::vector<uint8_t> coverOfRuns(const std::vector<CoverRun>& runs, int64_t count) {
  std::vector<uint8_t> cover(static_cast<size_t>(count), 0);
  int64_t previousLast = -2;
  for (const CoverRun& run : runs) {
    // Runs must be ordered, disjoint and not touching, or counters would be
    // raised twice at a meeting SNP.
    EXPECT_GT(run.first, previousLast + 1);
    EXPECT_LE(run.first, run.last);
    for (int64_t k = run.first; k <= run.last; ++k) cover[static_cast<size_t>(k)] = 1;
    previousLast = run.last;
  }
  return cover;
}

}  // namespace

TEST(PackedScan, MatchesTheStraightforwardScanOnRandomSlots) {
  std::mt19937 rng(8);
  const int64_t sizes[] = {0, 1, 2, 3, 63, 64, 65, 128, 129};
  int qualifyingPairs = 0, skippedSlots = 0;
  for (int trial = 0; trial < 4000; ++trial) {
    const int64_t count = trial % 4 == 0 ? sizes[rng() % 9] : static_cast<int64_t>(rng() % 300);
    const int64_t largeGap = randomLargeGap(rng);
    const RandomSlot slot = randomSlot(rng, count, largeGap, trial % 3 == 0);
    const double cutoff = randomCutoff(rng, slot.map);
    const int subjects = 3;
    std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(count),
                                           std::vector<uint8_t>(subjects));
    std::vector<std::vector<int>> calls;
    for (int st = 0; st < subjects; ++st)
      calls.push_back(randomCalls(rng, count, randomNoise(rng)));
    std::vector<const uint8_t*> codeRows;
    for (int64_t k = 0; k < count; ++k) {
      for (int st = 0; st < subjects; ++st) rows[k][st] = static_cast<uint8_t>(calls[st][k]);
      codeRows.push_back(rows[k].data());
    }
    PackedSlot packed;
    packSlotMap(slot.position.data(), slot.map.data(), count, cutoff, largeGap, packed);
    packSlotCalls(codeRows.data(), subjects, packed);
    if (!packed.reach.empty()) ++skippedSlots;

    for (int a = 0; a < subjects; ++a) {
      for (int b = 0; b < subjects; ++b) {
        SCOPED_TRACE(testing::Message() << "trial " << trial << " pair " << a << "," << b
                                        << " count " << count << " cutoff " << cutoff);
        std::vector<uint8_t> codes1(calls[a].begin(), calls[a].end());
        std::vector<uint8_t> codes2(calls[b].begin(), calls[b].end());
        std::vector<uint16_t> starts(static_cast<size_t>(count)), ends(static_cast<size_t>(count));
        std::vector<uint8_t> covered(static_cast<size_t>(count));
        const PairTotals expected =
            scanPair(SlotSpan{count, slot.position.data(), slot.map.data()}, codes1.data(),
                     codes2.data(), cutoff, largeGap, starts.data(), ends.data(), covered.data());
        std::vector<CoverRun> runs;
        const PairTotals fast = scanPackedPair(packed, a, b, cutoff, runs);
        // Bit for bit: the sums are printed, and NaN must stay NaN.
        ASSERT_EQ(bits(fast.cMConserved), bits(expected.cMConserved));
        ASSERT_EQ(bits(fast.discordantEnds), bits(expected.discordantEnds));
        ASSERT_EQ(coverOfRuns(runs, count), covered);
        if (!runs.empty()) ++qualifyingPairs;
      }
    }
  }
  // The random slots must exercise both the skipping and the RCHH paths.
  EXPECT_GT(qualifyingPairs, 5000);
  EXPECT_GT(skippedSlots, 1500);
}

// Tolerant rules: the packed ends (worked out from three words) against the
// straightforward per-SNP test, on slots where discordance is sparse enough
// for the rules to pass some over; and the rule itself on a hand-made pair.
TEST(PackedScan, TolerantRulesMatchTheStraightforwardScan) {
  std::mt19937 rng(26);
  int64_t tolerated = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    const int64_t count = static_cast<int64_t>(rng() % 400);
    const int64_t largeGap = randomLargeGap(rng);
    const RandomSlot slot = randomSlot(rng, count, largeGap, trial % 3 == 0);
    const double cutoff = randomCutoff(rng, slot.map);
    const int windows[] = {1, 2, 5, 31, 32, 33, 63};
    const SharingRule rule{1 + static_cast<int>(rng() % 3), windows[rng() % 7]};
    std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(count), std::vector<uint8_t>(2));
    const std::vector<int> a = randomCalls(rng, count, 0.05);
    const std::vector<int> b = randomCalls(rng, count, trial % 2 ? 0.05 : 0.3);
    std::vector<uint8_t> codes1(a.begin(), a.end()), codes2(b.begin(), b.end());
    std::vector<const uint8_t*> codeRows;
    for (int64_t k = 0; k < count; ++k) {
      rows[k] = {codes1[k], codes2[k]};
      codeRows.push_back(rows[k].data());
    }
    PackedSlot packed;
    packSlotMap(slot.position.data(), slot.map.data(), count, cutoff, largeGap, packed);
    packSlotCalls(codeRows.data(), 2, packed);
    SCOPED_TRACE(testing::Message() << "trial " << trial << " rule " << rule.allowed << "/"
                                    << rule.window << " count " << count);
    std::vector<uint16_t> starts(static_cast<size_t>(count)), ends(static_cast<size_t>(count));
    std::vector<uint8_t> covered(static_cast<size_t>(count));
    scanPair(SlotSpan{count, slot.position.data(), slot.map.data()}, codes1.data(), codes2.data(),
             cutoff, largeGap, starts.data(), ends.data(), covered.data(), rule);
    std::vector<CoverRun> runs;
    scanPackedPair(packed, 0, 1, cutoff, runs, rule);
    ASSERT_EQ(coverOfRuns(runs, count), covered);
    int64_t discordant = 0;
    for (int64_t k = 0; k < count; ++k) {
      discordant += oppositeHomozygotes(codes1[k], codes2[k]);
      tolerated += toleratedDiscordance(codes1.data(), codes2.data(), count, k, rule);
    }
    if (count > 0) {
      ASSERT_EQ(countDiscordant(packed, packed.calls(0), packed.calls(1), 0, count - 1),
                discordant);
    }
  }
  EXPECT_GT(tolerated, 2000);

  // 100 SNPs 0.1 cM apart, both subjects AA, with opposite homozygotes put in.
  std::vector<int64_t> position(100);
  std::vector<double> map(100);
  for (int k = 0; k < 100; ++k) position[k] = 1000 + 1000 * k, map[k] = 0.1 * k;
  auto covers = [&](std::vector<int> opposite, SharingRule rule) {
    std::vector<uint8_t> one(100, 1), two(100, 1);
    for (int k : opposite) two[static_cast<size_t>(k)] = 2;
    std::vector<uint16_t> s(100), e(100);
    std::vector<uint8_t> covered(100);
    scanPair(SlotSpan{100, position.data(), map.data()}, one.data(), two.data(), 6.0,
             kLargeGapDefault, s.data(), e.data(), covered.data(), rule);
    return std::count(covered.begin(), covered.end(), 1);
  };
  EXPECT_EQ(covers({50}, SharingRule{}), 0);           // two halves of 4.9 cM: too short
  EXPECT_EQ(covers({50}, SharingRule{1, 10}), 100);    // one error passed over
  EXPECT_EQ(covers({50, 55}, SharingRule{1, 10}), 0);  // a second within 10 SNPs
  EXPECT_EQ(covers({50, 55}, SharingRule{1, 4}), 100);
  EXPECT_EQ(covers({50, 52}, SharingRule{2, 10}), 100);
  EXPECT_EQ(covers({50, 51}, SharingRule{2, 10}), 0);  // never two side by side
  EXPECT_EQ(covers({40, 50, 61}, SharingRule{2, 10}), 100);
  EXPECT_EQ(covers({40, 50, 60}, SharingRule{2, 10}), 0);  // three within 10 of 50
  EXPECT_EQ(covers({45, 50, 55}, SharingRule{2, 10}), 0);
}

TEST(PackedScan, ReachTableOnlyForFiniteNonDecreasingMaps) {
  const int64_t position[] = {1000, 2000, 3000, 4000, 5000};
  const double flat[] = {1.0, 1.0, 1.5, 3.0, 3.0};
  PackedSlot slot;
  packSlotMap(position, flat, 5, 1.5, 1500, slot);
  EXPECT_EQ(slot.reach, (std::vector<int32_t>{3, 3, 3, 5, 5}));
  // Gaps of 1000 bp reach largeGap 1000: every SNP but the first ends a stretch.
  packSlotMap(position, flat, 5, 1.5, 1000, slot);
  EXPECT_EQ(slot.forced[0], 0b11110u);
  EXPECT_EQ(slot.gapAfter[0], 0b01111u);
  const double backwards[] = {1.0, 2.0, 1.5, 3.0, 4.0};
  packSlotMap(position, backwards, 5, 1.5, 1500, slot);
  EXPECT_TRUE(slot.reach.empty());
  const double notANumber[] = {1.0, 2.0, std::nan(""), 3.0, 4.0};
  packSlotMap(position, notANumber, 5, 1.5, 1500, slot);
  EXPECT_TRUE(slot.reach.empty());
}

TEST(CountedFoldLevel, CountedAndMovingLevelsMatchTheScanOnRandomCounters) {
  std::mt19937 rng(3);
  std::vector<uint32_t> histogram;
  for (int trial = 0; trial < 20000; ++trial) {
    const int n = static_cast<int>(rng() % 40);
    std::vector<uint16_t> counts(static_cast<size_t>(n));
    const unsigned spread = 1 + rng() % 80;  // counters above n occur too
    for (uint16_t& c : counts)
      c = static_cast<uint16_t>(rng() % 3 == 0 ? 65535 - rng() % 2 : rng() % spread);
    ASSERT_EQ(foldLevelCounted(counts.data(), n, histogram), foldLevel(counts.data(), n))
        << "trial " << trial;
  }
  // The moving level, through random walks of counters that rise and fall by
  // one, is the level of the counters at every step.
  for (int walk = 0; walk < 200; ++walk) {
    const int n = 1 + static_cast<int>(rng() % 30);
    std::vector<uint16_t> counts(static_cast<size_t>(n), 0);
    MovingFoldLevel moving;
    moving.reset(n);
    for (int step = 0; step < 400; ++step) {
      const size_t who = rng() % static_cast<size_t>(n);
      const int32_t delta = counts[who] == 0 || (rng() % 5 < 3 && counts[who] < n) ? 1 : -1;
      moving.step(counts[who], delta);
      counts[who] = static_cast<uint16_t>(counts[who] + delta);
      ASSERT_EQ(static_cast<uint32_t>(moving.level()), foldLevel(counts.data(), n))
          << "walk " << walk << " step " << step;
    }
  }
}
