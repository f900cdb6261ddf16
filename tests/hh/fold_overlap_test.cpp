// Fold-overlap counting: levels of the textbook sharing patterns, the pair
// order and progress lines, selection in mode 0, and the per-chromosome
// fold-overlap summary file.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/harness.h"
#include "hh/engine_fixture.h"
#include "hh/hh.h"
#include "hh/kernel.h"

namespace {

std::string progress(int chromosome, int from, int to) {
  std::string out;
  for (int t = from; t <= to; ++t) {
    out +=
        "\nchromosome " + std::to_string(chromosome) + ": " + std::to_string(t) + "/10 completed.";
  }
  return out;
}

std::vector<int> alternating(int count, int first, int second) {
  std::vector<int> out;
  for (int i = 0; i < count; ++i) out.push_back(i % 2 == 0 ? first : second);
  return out;
}

}  // namespace

TEST(FoldLevel, SmallestLevelReachedByAtMostThatManySubjects) {
  struct Case {
    const char* pattern;
    std::vector<uint16_t> counts;
    uint32_t level;
  };
  const Case cases[] = {
      {"no subjects", {}, 0},
      {"pool of one", {0}, 1},
      {"no sharing", {0, 0, 0, 0}, 1},
      {"one pair", {1, 1, 0, 0}, 2},
      {"group of four among six", {3, 3, 3, 3, 0, 0}, 4},
      {"chain A-B, B-C", {1, 2, 1}, 2},
      {"everyone", {4, 4, 4, 4, 4}, 5},
      {"group of three and a pair", {2, 2, 2, 1, 1}, 3},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(foldLevel(c.counts.data(), static_cast<int>(c.counts.size())), c.level) << c.pattern;
  }
}

TEST_F(EngineTest, GroupOfThreeAmongFiveThroughThePass) {
  // Subjects 1-3 are AA everywhere; 4 and 5 alternate in opposite phase, so
  // every stretch they have with anyone is at most 2 cM, below the 5 cM cutoff.
  buildGenome({evenSlot(10)}, 5);
  for (int j = 0; j < 3; ++j) setCalls(0, j, 0, std::vector<int>(10, 1));
  setCalls(0, 3, 0, alternating(10, 2, 1));
  setCalls(0, 4, 0, alternating(10, 1, 2));
  settings.threshold = 5.0;
  attach(0, 0);
  for (int64_t i = 0; i < 10; ++i) genome.sumSNP[i].rchhCount[5] = 7;  // representative's
  openTempFiles();
  testing::internal::CaptureStderr();
  countRCHHSharedByMultiplePatients(0, 5, 0, 1);
  const std::string err = testing::internal::GetCapturedStderr();
  closeTempFiles();

  EXPECT_EQ(err, progress(1, 1, 10));  // ten pairs, one tenth each
  for (int j = 0; j < 3; ++j) EXPECT_EQ(counters(0, j), std::vector<int>(10, 2)) << j;
  EXPECT_EQ(counters(0, 3), std::vector<int>(10, 0));
  EXPECT_EQ(counters(0, 4), std::vector<int>(10, 0));
  EXPECT_EQ(counters(0, 5), std::vector<int>(10, 7));
  EXPECT_EQ(levels(0, 0), std::vector<int64_t>(10, 3));
  EXPECT_EQ(genome.sumSNP[4].overlapCount[0], 3);
  EXPECT_EQ(pass.maxOverlapChr[0], 3u);

  std::istringstream rows(readFile(tempFileName(0)));
  std::string row, labels;
  while (std::getline(rows, row)) labels += row.substr(0, row.find('\t'));
  EXPECT_EQ(labels, "(1,2)(1,3)(1,4)(1,5)(2,3)(2,4)(2,5)(3,4)(3,5)(4,5)");
}

TEST_F(EngineTest, ModeZeroComparesOnlyTheChosenPair) {
  buildGenome({evenSlot(5)}, 10);
  for (int j = 0; j < 10; ++j) setCalls(0, j, 0, std::vector<int>(5, 1));
  pass.targetSt[0].assign(10, 0);
  pass.targetSt[0][3] = 1;
  pass.targetSt[0][7] = 1;
  settings.threshold = 1.0;
  attach(0, 0);
  openTempFiles();
  testing::internal::CaptureStderr();
  countRCHHSharedByMultiplePatients(0, 10, 0, 0);
  const std::string err = testing::internal::GetCapturedStderr();
  closeTempFiles();
  EXPECT_EQ(err, progress(1, 1, 10));  // one pair: every tenth right after it
  const std::string rows = readFile(tempFileName(0));
  EXPECT_EQ(rows.substr(0, 6), "(4,8)\t");
  EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 1);
  for (int j = 0; j < 10; ++j) {
    EXPECT_EQ(counters(0, j), std::vector<int>(5, j == 3 || j == 7 ? 1 : 0)) << j;
  }
  EXPECT_EQ(levels(0, 0), std::vector<int64_t>(5, 2));
  EXPECT_FALSE(std::filesystem::exists(dir + "HH_FoldOverlap_Summary_PatientPool_chr001.txt"));
}

TEST_F(EngineTest, EmptyPoolHasLevelZeroAndPoolOfOneLevelOne) {
  buildGenome({evenSlot(4)}, 1);
  genome.includeRegion[0] = Region{1, 3};  // SNP 0 outside every region
  openTempFiles();
  attach(0, 0);
  genome.sumSNP[2].foldOverlap[0] = 9;
  countRCHHSharedByMultiplePatients(0, 0, 0, 0);
  EXPECT_EQ(levels(0, 0), std::vector<int64_t>(4, 0));

  testing::internal::CaptureStderr();
  countRCHHSharedByMultiplePatients(0, 1, 0, 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // no pair, no progress
  closeTempFiles();
  EXPECT_EQ(levels(0, 0), (std::vector<int64_t>{0, 1, 1, 1}));
  EXPECT_EQ(readFile(tempFileName(0)), "");
  EXPECT_EQ(readFile(dir + "HH_FoldOverlap_Summary_PatientPool_chr001.txt"),
            "chr\tpos\tgen map\trsID\t'A' frequency\tsubject1.txt\toverlaps\tNo.\n"
            "1\t1000\t1.000000\trs100\t0.250000\t(0)\t(0)\t0\n"
            "1\t2000\t2.000000\trs101\t0.250000\t0\t1\t1\n"
            "1\t3000\t3.000000\trs102\t0.250000\t0\t1\t2\n"
            "1\t4000\t4.000000\trs103\t0.250000\t0\t1\t3\n");
}

TEST_F(EngineTest, SummaryFilesHeaderOnlyOnChromosomeOneAndParenthesesOutsideRegions) {
  // Slot 1 is empty, so the third slot is chromosome 3. The region of slot 0
  // leaves out its first SNP, and a region reaching across slots is skipped.
  buildGenome({evenSlot(3), {}, {{7000, 10.5}, {9000, 11.25}}}, 2, 1);
  settings.threshold = 0.5;
  genome.includeRegion[0] = Region{1, 2};
  genome.includeRegion[1] = Region{2, 3};
  genome.includeRegion[2] = Region{3, 4};
  genome.noRegions = 3;
  genome.sumSNP[3].freqA = 0.125f;
  for (int32_t k : {0, 2}) {
    const int count = static_cast<int>(slotEnd(k) - slotBegin(k));
    setCalls(1, 0, k, std::vector<int>(count, 1));
  }
  openTempFiles();
  for (int32_t k : {0, 2}) {
    attachSlotScratch(k, 1, 2, 1);
    countRCHHSharedByMultiplePatients(1, 1, k, 1);
    releaseSlotScratch(k);
  }
  closeTempFiles();
  EXPECT_EQ(readFile(dir + "HH_FoldOverlap_Summary_ControlPool_chr001.txt"),
            "chr\tpos\tgen map\trsID\t'A' frequency\tcontrol1.txt\toverlaps\tNo.\n"
            "1\t1000\t1.000000\trs100\t0.250000\t(0)\t(0)\t0\n"
            "1\t2000\t2.000000\trs101\t0.250000\t0\t1\t1\n"
            "1\t3000\t3.000000\trs102\t0.250000\t0\t1\t2\n");
  EXPECT_FALSE(std::filesystem::exists(dir + "HH_FoldOverlap_Summary_ControlPool_chr002.txt"));
  EXPECT_EQ(readFile(dir + "HH_FoldOverlap_Summary_ControlPool_chr003.txt"),
            "3\t7000\t10.500000\trs103\t0.125000\t0\t1\t3\n"
            "3\t9000\t11.250000\trs104\t0.250000\t0\t1\t4\n");
  EXPECT_EQ(isInRegion(0, genome.noRegions), 0);
  EXPECT_EQ(isInRegion(3, 1), 0);  // only the first region searched
  EXPECT_EQ(isInRegion(3, genome.noRegions), 1);
}

TEST_F(EngineTest, SummaryFileThatCannotBeCreatedStopsTheRun) {
  buildGenome({evenSlot(2)}, 1);
  attach(0, 0);
  settings.outputFilePath = dir + "missing/";
  EXPECT_EXIT(asMain([&] { countRCHHSharedByMultiplePatients(0, 1, 0, 1); }),
              testing::ExitedWithCode(1),
              "^ERROR: Can't output\"" + dir +
                  "missing/HH_FoldOverlap_Summary_PatientPool_chr001\\.txt\n$");
}
