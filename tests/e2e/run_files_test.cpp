// Files the run driver writes itself: HH summary, merged fold-overlap files,
// the representative file.
#include <gtest/gtest.h>

#include <sstream>

#include "common/cohort.h"
#include "common/harness.h"

namespace {

std::vector<std::string> cells(const std::string& line) {
  std::vector<std::string> out;
  std::string cell;
  std::istringstream in(line);
  while (std::getline(in, cell, '\t')) out.push_back(cell);
  if (!line.empty() && line.back() == '\t') out.push_back("");
  return out;
}

TEST(RunFiles, FoldCountsSharedOnOneChromosomeMergeToExactlyItsLines) {
  ScratchDir dir;
  CohortPlan plan;
  plan.patients = 4;
  plan.sharers = 3;
  plan.plantedChromosome = 2;
  plan.plantedFirst = 3;
  plan.plantedLast = 36;
  Cohort cohort = writeCohort(dir, plan);
  RunResult r = runProgram({VELMORA_BIN, cohort.analysisFile}, "2.5\n\n");
  ASSERT_EQ(r.status, 0) << r.err;

  const std::string text = dir.read("out/HH_003_FoldOverlaps_PatientPool.txt");
  const std::vector<std::string> lines = linesOf(text);
  ASSERT_FALSE(lines.empty()) << r.err;
  for (const std::string& line : lines) {
    EXPECT_EQ(line.substr(0, 2), "2\t");
    EXPECT_NE(line.find("\tSubjects\t p01.txt p02.txt p03.txt"), std::string::npos) << line;
  }
  const std::string figure = dir.read("out/HH_003_FoldOverlaps_PatientPool.ps");
  EXPECT_EQ(figure.substr(0, 24), "%!PS-Adobe-3.1 EPSF-3.0\n");
  EXPECT_EQ(occurrences(figure, "%!PS-Adobe"), 1u);
  EXPECT_EQ(occurrences(figure, "\tstart\t"), lines.size() / 2);
  EXPECT_NE(r.err.find("Writing " + dir.file("out/HH_003_FoldOverlaps_PatientPool.txt") + "\n"),
            std::string::npos);

  // Nobody shares four-fold: no file and no "Writing" line for that count.
  EXPECT_FALSE(dir.exists("out/HH_004_FoldOverlaps_PatientPool.txt"));
  EXPECT_FALSE(dir.exists("out/HH_004_FoldOverlaps_PatientPool.ps"));
  EXPECT_EQ(r.err.find("HH_004_"), std::string::npos);
  for (const std::string& name : dir.list("out")) EXPECT_EQ(name.find("_chr"), std::string::npos);

  // The merged summary carries the column header once, at its top.
  const std::vector<std::string> summary =
      linesOf(dir.read("out/HH_FoldOverlap_Summary_PatientPool.txt"));
  ASSERT_EQ(summary.size(), 1u + 3 * 40);
  EXPECT_EQ(
      summary[0],
      "chr\tpos\tgen map\trsID\t'A' frequency\tp01.txt\tp02.txt\tp03.txt\tp04.txt\toverlaps\tNo.");
  EXPECT_EQ(occurrences(dir.read("out/HH_FoldOverlap_Summary_PatientPool.txt"), "overlaps"), 1u);
}

TEST(RunFiles, HHSummaryAndRepresentativeFiles) {
  ScratchDir dir;
  CohortPlan plan;
  plan.patients = 2;
  plan.controls = 1;
  Cohort cohort = writeCohort(dir, plan);
  RunResult r = runProgram({VELMORA_BIN, cohort.analysisFile}, "2\n");
  ASSERT_EQ(r.status, 0) << r.err;

  const std::vector<std::string> hh =
      linesOf(dir.read("out/HH_HomozygosityHaplotype_Summary_PatientPool.txt"));
  ASSERT_EQ(hh.size(), 2u + 3 * 40 + 5);  // header, empty line, every SNP (X included)
  EXPECT_EQ(hh[0], "chr\tpos\tgen map\trsID\t'A' frequency\tp01.txt\tp02.txt\tNo.");
  EXPECT_EQ(hh[1], "");
  const std::vector<std::string> p1 = linesOf(dir.read("p01.txt"));
  for (size_t k = 0; k < 3 * 40 + 5; ++k) {
    const std::vector<std::string> row = cells(hh[k + 2]);
    ASSERT_EQ(row.size(), 8u) << hh[k + 2];
    EXPECT_EQ(row[3], cohort.rsIDs[k]);
    EXPECT_EQ(row[7], std::to_string(k));
    // Subject 1's call as written in its file: A, B, or an empty cell.
    const std::string call = cells(p1[k])[1];
    EXPECT_EQ(row[5], call == "AA" ? "A" : call == "BB" ? "B" : "") << k;
  }
  const std::vector<std::string> first = cells(hh[2]);
  EXPECT_EQ(first[0], "1");
  EXPECT_EQ(first[1], "1000");
  EXPECT_EQ(first[2], "0.050000");

  // The representative file: analysed slots only, written after each pass.
  const std::vector<std::string> rep = linesOf(dir.read("out/HH_Representative_PatientPool.txt"));
  ASSERT_EQ(rep.size(), 3u * 40);
  for (size_t k = 0; k < rep.size(); ++k) {
    const std::vector<std::string> row = cells(rep[k]);
    ASSERT_EQ(row.size(), 6u);
    EXPECT_TRUE(row[2] == "AA" || row[2] == "BB" || row[2] == "AB") << rep[k];
    EXPECT_EQ(row[4], cohort.rsIDs[k]);
    EXPECT_EQ(row[5], std::to_string(k));
  }
  EXPECT_EQ(occurrences(r.err, "Writing " + dir.file("out/HH_Representative_PatientPool.txt")), 2u);
  // Representative rows: one per subject, "No. SNP St2" the slot's SNP count summed.
  EXPECT_NE(r.err.find("(1,representative)\t"), std::string::npos);
  EXPECT_NE(r.err.find("\trepresentative\t"), std::string::npos);
  const size_t controlRows = r.err.rfind("(1,representative)\t");
  const std::vector<std::string> row =
      cells(r.err.substr(controlRows, r.err.find('\n', controlRows) - controlRows));
  ASSERT_EQ(row.size(), 10u);
  EXPECT_EQ(row[7], "120");
}

}  // namespace
