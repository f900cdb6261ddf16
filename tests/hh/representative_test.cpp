// The representative HH: its calls from the sharing group or the allele
// frequency, and every subject of a pool compared with it.
#include <gtest/gtest.h>

#include <algorithm>

#include "hh/engine_fixture.h"
#include "hh/hh.h"

TEST_F(EngineTest, RepresentativeCallsFromGroupMajorityOrRarerAllele) {
  buildGenome({evenSlot(7)}, 5, 1);
  // Per SNP: level, counters of the five patients, their codes, freqA.
  struct Snp {
    int64_t level;
    std::vector<uint16_t> counts;
    std::vector<int> codes;
    float freqA;
    int expected;
  };
  const Snp snps[] = {
      {4, {3, 3, 3, 3, 2}, {1, 1, 2, 2, 1}, 0.2f, GTYPE_AB},  // two AA, two BB in the group
      {4, {3, 3, 3, 3, 0}, {2, 2, 1, 2, 1}, 0.2f, GTYPE_BB},  // outsider's AA not counted
      {5, {4, 4, 4, 4, 4}, {3, 0, 3, 0, 3}, 0.2f, GTYPE_AB},  // no homozygote in the group
      {3, {2, 2, 2, 0, 0}, {2, 2, 2, 2, 2}, 0.2f, GTYPE_AA},  // level 3: rarer allele A
      {2, {1, 1, 0, 0, 0}, {1, 1, 1, 1, 1}, 0.5f, GTYPE_BB},  // a tie of frequencies: BB
      {0, {0, 0, 0, 0, 0}, {1, 1, 1, 1, 1}, 0.8f, GTYPE_BB},  // outside the regions
      {4, {3, 3, 3, 2, 2}, {1, 1, 2, 2, 2}, 0.8f, GTYPE_AA},
  };
  for (int j = 0; j < 5; ++j) {
    std::vector<int> codes;
    for (const Snp& snp : snps) codes.push_back(snp.codes[j]);
    setCalls(0, j, 0, codes);
  }
  attach(0, 0);
  for (int64_t i = 0; i < 7; ++i) {
    SNPRecord& r = genome.sumSNP[i];
    r.foldOverlap[0] = snps[i].level;
    r.freqA = snps[i].freqA;
    for (int j = 0; j < 5; ++j) r.rchhCount[j] = snps[i].counts[j];
    putGType(r.gType[0], 5, GTYPE_BB);  // stale code from an earlier slot
  }
  obtainRepresentativeHH(0);
  for (int64_t i = 0; i < 7; ++i) {
    EXPECT_EQ(getGType(genome.sumSNP[i].gType[0], 5), snps[i].expected) << "SNP " << i;
    for (int j = 0; j < 5; ++j) {
      EXPECT_EQ(getGType(genome.sumSNP[i].gType[0], static_cast<uint64_t>(j)), snps[i].codes[j]);
    }
  }
  EXPECT_EQ(genome.nEffectiveSNP[0][5 * 1 + 0], 7);
}

TEST_F(EngineTest, EachSubjectAgainstTheRepresentative) {
  buildGenome({evenSlot(6)}, 2);
  setCalls(0, 0, 0, {1, 1, 1, 1, 1, 1});
  setCalls(0, 1, 0, {1, 2, 1, 1, 2, 0});
  settings.threshold = 2.0;
  attach(0, 0);
  obtainRepresentativeHH(0);  // no level above 3, freqA 0.25: AA everywhere
  releaseSlotScratch(0);

  openTempFiles();
  attachSlotScratch(0, 0, 3, 3);  // the representative pass unpacks slot n too
  for (int64_t i = 0; i < 6; ++i) genome.sumSNP[i].rchhCount[2] = 5;
  testing::internal::CaptureStderr();
  countRCHHSharedWithRepresentativePatients(0, 2, 0);
  const std::string err = testing::internal::GetCapturedStderr();
  closeTempFiles();

  // Subject 2 breaks at SNPs 2 and 5 (1-based); only the middle stretch is long enough.
  EXPECT_EQ(counters(0, 2), (std::vector<int>{1, 2, 2, 2, 2, 1}));
  EXPECT_EQ(counters(0, 0), std::vector<int>(6, 0));
  EXPECT_EQ(counters(0, 1), std::vector<int>(6, 0));
  EXPECT_EQ(levels(0, 0), (std::vector<int64_t>{1, 2, 2, 2, 2, 1}));
  EXPECT_EQ(pass.maxOverlapChr[0], 2u);
  EXPECT_EQ(err,
            "\nchromosome 1: 1/10 completed.\nchromosome 1: 2/10 completed."
            "\nchromosome 1: 3/10 completed.\nchromosome 1: 4/10 completed."
            "\nchromosome 1: 5/10 completed.\nchromosome 1: 6/10 completed."
            "\nchromosome 1: 7/10 completed.\nchromosome 1: 8/10 completed."
            "\nchromosome 1: 9/10 completed.\nchromosome 1: 10/10 completed.");
  const std::string rows = readFile(tempFileName(0));
  EXPECT_EQ(rows.substr(0, rows.find('\n') + 1),
            "(1,representative)\t     2.00\tsubject1.txt\trepresentative\t       5.00\t   1.0000\t"
            "             6\t             6\t       0.9873\t       0.0000\n");
  const std::string second = rows.substr(rows.find('\n') + 1);
  EXPECT_EQ(
      second.substr(0, second.find("\t       3.00\t   0.6000\t             5\t             6\t")),
      "(2,representative)\t     2.00\tsubject2.txt\trepresentative");
}
