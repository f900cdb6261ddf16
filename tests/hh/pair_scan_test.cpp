// Pairwise RCHH detection: the six-SNP example at both cutoffs, slot edges,
// large gaps, cutoffs of 0 and below, and the cover rule against the flag walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "hh/engine_fixture.h"
#include "hh/hh.h"
#include "hh/kernel.h"

namespace {

// The example slot: six SNPs 1000 bp apart; SNP 3 is the only SNP where the
// two subjects are opposite homozygotes.
const std::vector<SnpPlan> kExample = {{1000, 0.0}, {2000, 1.0}, {3000, 2.5},
                                       {4000, 3.0}, {5000, 6.0}, {6000, 7.0}};

std::vector<int> flags(int32_t k, bool start) {
  std::vector<int> out;
  for (int64_t i = slotBegin(k); i < slotEnd(k); ++i) {
    out.push_back(start ? genome.sumSNP[i].startFlag : genome.sumSNP[i].endFlag);
  }
  return out;
}

}  // namespace

TEST_F(EngineTest, SixSnpExampleAtBothCutoffs) {
  buildGenome({kExample}, 3);
  setCalls(0, 0, 0, {1, 1, 1, 1, 3, 1});
  setCalls(0, 1, 0, {1, 0, 1, 2, 1, 1});
  struct Case {
    double cutoff;
    std::vector<int> starts, ends, cover;
    std::string row;
  };
  const Case cases[] = {
      {2.0,
       {1, 0, 0, 1, 0, 0},
       {0, 0, 0, 1, 0, 1},
       {1, 1, 1, 1, 1, 1},
       "(1,2)\t     2.00\tsubject1.txt\tsubject2.txt\t       7.00\t   1.0000\t             6\t"
       "             5\t       0.9953\t       2.8444\n"},
      {3.5,
       {0, 0, 0, 1, 0, 0},
       {0, 0, 0, 0, 0, 1},
       {0, 0, 0, 1, 1, 1},
       "(1,2)\t     3.50\tsubject1.txt\tsubject2.txt\t       4.00\t   0.5714\t             6\t"
       "             5\t       0.9862\t       1.4222\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cutoff);
    settings.threshold = c.cutoff;
    scanFirstPairOnce();
    EXPECT_EQ(flags(0, true), c.starts);
    EXPECT_EQ(flags(0, false), c.ends);
    EXPECT_EQ(counters(0, 0), c.cover);
    EXPECT_EQ(counters(0, 1), c.cover);
    EXPECT_EQ(counters(0, 2), std::vector<int>(6, 0));  // not in the pair
    EXPECT_EQ(readFile(tempFileName(0)), c.row);
    releaseSlotScratch(0);
  }
  attach(0, 0);
  for (int64_t i = 0; i < 6; ++i) {
    EXPECT_EQ(isHetero(i, 0, 1), i == 3 ? 1 : 0) << i;
    EXPECT_EQ(isHetero(i, 1, 0), i == 3 ? 1 : 0) << i;
  }
}

TEST_F(EngineTest, EmptySlotChangesNothing) {
  buildGenome({evenSlot(3), {}, evenSlot(3)}, 2);
  settings.threshold = 1.0;
  genome.sumSNP[2].endFlag = 1;  // last SNP of slot 0, must stay
  openTempFiles();
  EXPECT_EQ(pass.tempFile[1], nullptr);
  conservedHaplotypeFor2(0, 1, 0, 0, 1);
  closeTempFiles();
  EXPECT_EQ(genome.sumSNP[2].endFlag, 1);
  EXPECT_EQ(genome.sumSNP[3].startFlag, 0);
  EXPECT_FALSE(std::filesystem::exists(tempFileName(1)));
}

TEST_F(EngineTest, NotANumberFromOneSnpSlotAndSubjectWithoutCalls) {
  buildGenome({{{5000, 2.0}}, evenSlot(4)}, 2);
  settings.threshold = 2.0;
  setCalls(0, 0, 0, {1});
  setCalls(0, 1, 0, {2});
  setCalls(0, 0, 1, {1, 1, 1, 1});
  setCalls(0, 1, 1, {0, 0, 0, 0});
  openTempFiles();
  for (int32_t k = 0; k < 2; ++k) {
    attach(k, 0);
    conservedHaplotypeFor2(0, 1, 0, 0, k);
    releaseSlotScratch(k);
  }
  closeTempFiles();
  // One SNP: ratio 0/0, m = 0 so Type A is (inf + 1) * 0; Type B 0 * 0.
  EXPECT_EQ(readFile(tempFileName(0)),
            "(1,2)\t     2.00\tsubject1.txt\tsubject2.txt\t       0.00\t     -nan\t             1\t"
            "             1\t         -nan\t       0.0000\n");
  // No calls: expected 0, m infinite, Type A 1, Type B 0 * inf.
  EXPECT_EQ(readFile(tempFileName(1)),
            "(1,2)\t     2.00\tsubject1.txt\tsubject2.txt\t       3.00\t   1.0000\t             4\t"
            "             0\t       1.0000\t         -nan\n");
}

TEST(PairKernel, LargeGapBreaksAtExactlyItsSize) {
  // SNP 4 is an opposite homozygote; the gap between SNPs 2 and 3 varies.
  const uint8_t codes1[] = {1, 1, 1, 1, 1, 1};
  const uint8_t codes2[] = {1, 3, 0, 1, 2, 1};
  const double map[] = {1, 2, 3, 4, 5, 6};
  uint16_t starts[6], ends[6];
  uint8_t covered[6];
  struct Case {
    int64_t gap, largeGap;
    std::vector<int> starts, ends;
    double cM, discordant;
  };
  const Case cases[] = {
      // Broken at the gap: [0,2] [3,4] [4,5]; the gap's ends are not discordant.
      {300000, kLargeGapDefault, {1, 0, 0, 1, 1, 0}, {0, 0, 1, 0, 1, 1}, 4.0, 1.0},
      {299999, kLargeGapDefault, {1, 0, 0, 0, 1, 0}, {0, 0, 0, 0, 1, 1}, 5.0, 1.0},
      // "NO": the rule is off, only the opposite homozygote splits.
      {300000, kLargeGapOff, {1, 0, 0, 0, 1, 0}, {0, 0, 0, 0, 1, 1}, 5.0, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gap);
    const int64_t position[] = {1000, 2000, 3000, 3000 + c.gap, 4000 + c.gap, 5000 + c.gap};
    const PairTotals t = scanPair(SlotSpan{6, position, map}, codes1, codes2, 1.0, c.largeGap,
                                  starts, ends, covered);
    EXPECT_EQ(std::vector<int>(starts, starts + 6), c.starts);
    EXPECT_EQ(std::vector<int>(ends, ends + 6), c.ends);
    EXPECT_EQ(std::vector<int>(covered, covered + 6), std::vector<int>(6, 1));
    EXPECT_DOUBLE_EQ(t.cMConserved, c.cM);
    EXPECT_DOUBLE_EQ(t.discordantEnds, c.discordant);
  }
}

TEST(PairKernel, GapBetweenFirstTwoSnpsIsNotABoundary) {
  // Boundaries are tested from the second SNP on, so a stretch always runs
  // from the first SNP across a gap that follows it.
  const int64_t position[] = {1000, 500000, 501000};
  const double map[] = {1, 2, 3};
  const uint8_t codes[] = {1, 1, 1};
  uint16_t starts[3], ends[3];
  uint8_t covered[3];
  const PairTotals t = scanPair(SlotSpan{3, position, map}, codes, codes, 0.5, kLargeGapDefault,
                                starts, ends, covered);
  EXPECT_EQ(std::vector<int>(starts, starts + 3), (std::vector<int>{1, 0, 0}));
  EXPECT_EQ(std::vector<int>(ends, ends + 3), (std::vector<int>{0, 0, 1}));
  EXPECT_DOUBLE_EQ(t.cMConserved, 2.0);
}

TEST_F(EngineTest, CutoffZeroOrBelowCoversOneSnpRCHHAlone) {
  // Gaps after SNPs 2 and 3 make SNP 3 a stretch of its own; the last stretch
  // runs backwards on the map (-0.5 cM).
  buildGenome({{{1000, 1}, {2000, 2}, {3000, 3}, {400000, 4}, {800000, 5}, {801000, 4.5}}}, 2);
  setCalls(0, 0, 0, {1, 1, 1, 1, 1, 1});
  setCalls(0, 1, 0, {1, 1, 1, 1, 1, 1});
  struct Case {
    double cutoff;
    std::vector<int> cover;
    std::string cM;
  };
  const Case cases[] = {{0.0, {1, 1, 1, 1, 0, 0}, "       2.00"},
                        {-1.0, {1, 1, 1, 1, 1, 1}, "       1.50"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cutoff);
    settings.threshold = c.cutoff;
    scanFirstPairOnce();
    EXPECT_EQ(genome.sumSNP[3].startFlag, 1);
    EXPECT_EQ(genome.sumSNP[3].endFlag, 1);
    EXPECT_EQ(counters(0, 0), c.cover);
    EXPECT_EQ(counters(0, 1), c.cover);
    EXPECT_NE(readFile(tempFileName(0)).find("\t" + c.cM + "\t"), std::string::npos);
    releaseSlotScratch(0);
  }
}

TEST(PairKernel, PositiveCutoffCoverEqualsTheFlagWalk) {
  // For every positive cutoff the cover is what walking the flags gives: a
  // start flag enters (and counts), an end flag alone counts and leaves.
  std::mt19937 random(20240611);
  for (int trial = 0; trial < 500; ++trial) {
    const int count = 1 + static_cast<int>(random() % 40);
    std::vector<int64_t> position(count);
    std::vector<double> map(count);
    std::vector<uint8_t> codes1(count), codes2(count);
    int64_t pos = 1000;
    double cM = 1.0;
    for (int i = 0; i < count; ++i) {
      pos += random() % 8 == 0 ? 300000 : 1000 + random() % 5000;
      cM += (random() % 4) * 0.5;
      position[i] = pos;
      map[i] = cM;
      codes1[i] = static_cast<uint8_t>(random() % 4);
      codes2[i] = static_cast<uint8_t>(random() % 4);
    }
    const double cutoff = 0.5 * (1 + random() % 6);
    std::vector<uint16_t> starts(count), ends(count);
    std::vector<uint8_t> covered(count);
    scanPair(SlotSpan{count, position.data(), map.data()}, codes1.data(), codes2.data(), cutoff,
             kLargeGapDefault, starts.data(), ends.data(), covered.data());
    int inside = 0;
    for (int k = 0; k < count; ++k) {
      int add = inside;
      if (starts[k] == 1) {
        add = 1;
        inside = 1;
      } else if (ends[k] == 1) {
        add = 1;
        inside = 0;
      }
      ASSERT_EQ(covered[k], add) << "trial " << trial << " SNP " << k;
    }
  }
}
