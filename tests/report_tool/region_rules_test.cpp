// The region rules on a hand-made genome: a stretch past the floor that no
// patient shares throughout is left out and counted, a region's core and
// extent follow its sharers' own stretches, the floor is said with the
// genome's own highest value, and the verdict sentence says what a run
// without, with and with significant relabellings can claim.
#include <gtest/gtest.h>

#include "common/harness.h"
#include "regions.h"
#include "verdict.h"

namespace {

// Twelve SNPs on chromosome 1, 10 kb apart; four patients.
CoverTable twelveSnps() {
  CoverTable cover;
  for (int k = 0; k < 12; ++k) cover.rows.push_back({1, 10000 * (k + 1), 0.1 * (k + 1), true});
  PoolCover& patients = cover.pools[0];
  patients.subjects = 4;
  patients.level.assign(12, 0);
  patients.changeRow.assign(4, {0});
  patients.changeCount.assign(4, {0});
  return cover;
}

// A subject's count from `row` on.
void countFrom(PoolCover& pool, int subject, uint32_t row, uint16_t count) {
  pool.changeRow[static_cast<size_t>(subject)].push_back(row);
  pool.changeCount[static_cast<size_t>(subject)].push_back(count);
}

std::string line(int snp, int level, const char* end) {
  return "1\t" + std::to_string(10000 * (snp + 1)) + "\t0.1\trs" + std::to_string(snp) + "\t" +
         std::to_string(level) + "\t" + end + "\n";
}

TEST(RegionRules, UnsharedStretchesAreLeftOutAndTheFloorAndVerdictAreSaid) {
  ScratchDir dir;
  CoverTable cover = twelveSnps();
  PoolCover& patients = cover.pools[0];
  // Level 3 over SNPs 1-3, where patients 0-2 share throughout; level 3 over
  // SNPs 7-9 too, but there patients 0-1 leave at SNP 8 and 2-3 come in:
  // the level holds while no patient shares the whole stretch.
  for (int k = 1; k <= 3; ++k) patients.level[static_cast<size_t>(k)] = 3;
  for (int k = 7; k <= 9; ++k) patients.level[static_cast<size_t>(k)] = 3;
  // Their shared stretches run on past the region: all three to SNP 4 (the
  // core), patient 0 to SNP 5 (the extent).
  for (int s = 0; s < 3; ++s) countFrom(patients, s, 1, 2);
  countFrom(patients, 0, 6, 0);
  countFrom(patients, 1, 5, 0);
  countFrom(patients, 2, 5, 0);
  countFrom(patients, 0, 7, 2);
  countFrom(patients, 1, 7, 2);
  countFrom(patients, 2, 7, 0);
  countFrom(patients, 0, 8, 0);
  countFrom(patients, 1, 8, 0);
  countFrom(patients, 2, 8, 2);
  countFrom(patients, 3, 8, 2);
  countFrom(patients, 2, 10, 0);
  countFrom(patients, 3, 10, 0);
  dir.write("levels.txt", "No_of_samples 4\n" + line(1, 3, "start") + line(3, 3, "end") +
                              line(7, 3, "start") + line(9, 3, "end"));

  RegionInputs in;
  in.source = readVelmoraList(dir.file("levels.txt"));
  in.cover = &cover;
  in.patients = 4;
  ReportData data;
  data.regions = findRegions(in);
  ASSERT_EQ(data.regions.regions.size(), 1u);
  const CandidateRegion& kept = data.regions.regions[0];
  EXPECT_EQ(kept.firstBp, 20000);
  EXPECT_EQ(kept.lastBp, 40000);
  EXPECT_EQ(kept.patients, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(kept.coreFirstBp, 20000);
  EXPECT_EQ(kept.coreLastBp, 50000);
  EXPECT_EQ(kept.extentFirstBp, 20000);
  EXPECT_EQ(kept.extentLastBp, 60000);
  EXPECT_EQ(data.regions.leftOutUnshared, 1);
  ASSERT_EQ(data.regions.views.size(), 1u);
  EXPECT_EQ(data.regions.views[0].rank, 1);
  EXPECT_NE(data.regions.floor.find("at least 2 and reach half the genome's highest, 3 / 2 = 1.5"),
            std::string::npos)
      << data.regions.floor;

  // The answer: the best candidate, where, who shares it, and its adjusted p
  // or how to get one; the left-out stretch said.
  data.patientNames = {"p1", "p2", "p3", "p4"};
  data.preflight.xNumber = 23;
  EXPECT_EQ(verdictSentence(data),
            "Best candidate: chr1:0.02\u20130.04 Mb (0.2 cM), shared by 3 of 4 patients; "
            "genome-wide adjusted p not computed (run again with --permutations N, 200 null "
            "genomes are a good start); no gene set (--genes) (1 stretch(es) past the floor that "
            "no patient shares throughout were left out).");
  // With controls: relabellings that reach the region, and ones that do not.
  data.input.controls = {"c1.txt"};
  data.controlNames = {"c1"};
  data.regions.regions[0].controls = std::vector<int>{};
  EXPECT_NE(verdictSentence(data).find("(run again with --permutations N, 1000 is a good start)"),
            std::string::npos);
  data.permutations = PermutationOutcome{};
  data.regions.regions[0].adjustedP = 0.2;
  EXPECT_EQ(verdictSentence(data),
            "No region reaches genome-wide significance (smallest adjusted p = 0.2) (1 "
            "stretch(es) past the floor that no patient shares throughout were left out).");
  data.regions.regions[0].adjustedP = 0.004;
  data.regions.regions[0].chromosome = 23;
  data.genes = GeneSet{};
  data.regionGenes = {{nullptr, nullptr}};
  EXPECT_EQ(verdictSentence(data),
            "Best candidate: chrX:0.02\u20130.04 Mb (0.2 cM), shared by 3 of 4 patients and 0 of 1 "
            "controls; genome-wide adjusted p = 0.004; 2 genes (1 stretch(es) past the floor that "
            "no patient shares throughout were left out).");
  data.regions.regions.clear();
  data.regions.leftOutUnshared = 0;
  EXPECT_EQ(verdictSentence(data),
            "No candidate region: no stretch passes the floor and is shared by a patient.");
}

}  // namespace
