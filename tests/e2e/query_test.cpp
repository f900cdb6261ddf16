// The subject-combination query driven through standard input.
#include <gtest/gtest.h>

#include "common/cohort.h"
#include "common/harness.h"

namespace {

const std::string kPrompt =
    "\nInput the numbers for the subjects among whom you wish to obtain the RCHHs (just hit "
    "return to exit) ";

class QueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plan.patients = 8;
    plan.sharerList = {0, 3, 6};  // patients 1, 4 and 7
    plan.plantedFirst = 4;
    plan.plantedLast = 34;
    cohort = writeCohort(dir, plan);
  }
  RunResult run(const std::string& answers) {
    return runProgram({VELMORA_BIN, cohort.analysisFile}, "2\n" + answers);
  }
  ScratchDir dir;
  CohortPlan plan;
  Cohort cohort;
};

TEST_F(QueryTest, ThreeSharersGetTheirFigureListAndPairTable) {
  RunResult r = run("7,1 4\n\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(occurrences(r.err, kPrompt), 2u);
  const std::string base = "out/HH_RCHHsSharedBy003_st001_st004_st007";
  ASSERT_TRUE(dir.exists(base + ".ps")) << r.err;
  ASSERT_TRUE(dir.exists(base + ".txt"));
  EXPECT_NE(r.err.find("Writing " + dir.file(base + ".ps") + "\n"), std::string::npos);

  // The figure is one EPS document: the header once, then the pieces' bars.
  const std::vector<std::string> figure = linesOf(dir.read(base + ".ps"));
  ASSERT_GE(figure.size(), 7u);
  EXPECT_EQ(figure[0], "%!PS-Adobe-3.1 EPSF-3.0");
  EXPECT_EQ(figure[4], "0 setgray");
  EXPECT_EQ(occurrences(dir.read(base + ".ps"), "%!PS"), 1u);
  EXPECT_EQ(figure[5].substr(0, 2), "2\t");  // the planted stretch lies on chromosome 2

  // The list names the three sharers at both ends of the stretch.
  const std::vector<std::string> list = linesOf(dir.read(base + ".txt"));
  ASSERT_GE(list.size(), 2u);
  for (const std::string& line : list) {
    EXPECT_EQ(line.substr(0, 2), "2\t") << line;
    EXPECT_NE(line.find("\tSubjects\t p01.txt p04.txt p07.txt"), std::string::npos) << line;
  }
  // Pieces are merged away; temporary pair files are gone at the end.
  for (const std::string& name : dir.list("out")) {
    EXPECT_EQ(name.find("_chr"), std::string::npos) << name;
    EXPECT_EQ(name.find("tempFile"), std::string::npos) << name;
  }
  // The pair table of the chosen patients: exactly their three pairs.
  const size_t table = r.err.rfind("( St1, St2 )");
  ASSERT_NE(table, std::string::npos);
  const std::string rows = r.err.substr(table, r.err.find(kPrompt, table) - table);
  std::vector<std::string> labels;
  for (const std::string& line : linesOf(rows)) {
    if (!line.empty() && line[0] == '(' && line[1] != ' ')
      labels.push_back(line.substr(0, line.find('\t')));
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"(1,4)", "(1,7)", "(4,7)"}));
  EXPECT_EQ(r.err.substr(r.err.size() - 12), "\nCompleted!\n");
}

TEST_F(QueryTest, LinesThatChooseNothingAskAgain) {
  RunResult r = run("abc\n9\n3x\n0 5\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find(kPrompt + "\nThe patient number(s) is out of range\n"), std::string::npos);
  EXPECT_NE(r.err.find(kPrompt + "\nPatient No. 9 out of range\n"), std::string::npos);
  EXPECT_EQ(r.err.find("Patient No. 3 out of range"), std::string::npos);  // 3 of 8 is fine
  EXPECT_NE(r.err.find(kPrompt + "Completed.\n"), std::string::npos);
  EXPECT_EQ(occurrences(r.err, kPrompt), 4u);
}

TEST_F(QueryTest, RepeatedNumbersCountOnceAndLeadingZerosAreIgnored) {
  RunResult r = run("04 1 7 4 007\n");  // then end of input ends the dialogue
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(dir.exists("out/HH_RCHHsSharedBy003_st001_st004_st007.txt")) << r.err;
  EXPECT_EQ(r.err.find("Inappropriate temporary file"), std::string::npos);
  EXPECT_EQ(occurrences(r.err, kPrompt), 2u);  // the second prompt meets the end of input
  EXPECT_EQ(r.err.substr(r.err.size() - 12), "\nCompleted!\n");
}

TEST_F(QueryTest, OnePatientGetsTheRegionsThemselves) {
  RunResult r = run("2\n\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> list = linesOf(dir.read("out/HH_RCHHsSharedBy001_st002.txt"));
  // Every autosome is one region, level 1 throughout: one start and one end each.
  ASSERT_EQ(list.size(), 6u);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(list[2 * c].substr(0, 2), std::to_string(c + 1) + "\t");
    EXPECT_NE(list[2 * c].find("\tstart\tSubjects\t"), std::string::npos);
    EXPECT_NE(list[2 * c + 1].find("\tend\tSubjects\t"), std::string::npos);
  }
  // The pair table has its header and no rows.
  const size_t table = r.err.rfind("( St1, St2 )");
  ASSERT_NE(table, std::string::npos);
  EXPECT_EQ(r.err.find("\n(", table), std::string::npos);
}

TEST_F(QueryTest, ALaterTurnReplacesTheFilesOfAnEarlierOne) {
  dir.write("out/HH_RCHHsSharedBy003_st001_st004_st007.txt", "stale\n");
  RunResult r = run("1 4 7\n1 4 7\n\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string list = dir.read("out/HH_RCHHsSharedBy003_st001_st004_st007.txt");
  EXPECT_EQ(list.find("stale"), std::string::npos);
  EXPECT_EQ(occurrences(dir.read("out/HH_RCHHsSharedBy003_st001_st004_st007.ps"), "%!PS"), 1u);
  EXPECT_EQ(
      occurrences(r.err, "Writing " + dir.file("out/HH_RCHHsSharedBy003_st001_st004_st007.ps")),
      2u);
}

TEST_F(QueryTest, EndOfInputAtThePromptEndsTheRun) {
  RunResult r = run("");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(occurrences(r.err, kPrompt), 1u);
  EXPECT_EQ(r.err.substr(r.err.size() - 12), "\nCompleted!\n");
}

TEST_F(QueryTest, PatientsWhoShareNothingBeyondTheRunMaximumAreToldSo) {
  // Eight patients cannot all share: the level 8 is never reached in the run.
  RunResult r = run("1 2 3 4 5 6 7 8\n\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("\nNo common regions found.\n"), std::string::npos);
  EXPECT_FALSE(
      dir.exists("out/HH_RCHHsSharedBy008_st001_st002_st003_st004_st005_st006_st007_st008.ps"));
}

}  // namespace

namespace {

TEST(QueryNames, SelectionsTooLongForAFileNameAreRefusedWithANewTurn) {
  ScratchDir dir;
  CohortPlan plan;
  plan.patients = 41;
  plan.snpsPerChromosome = 12;
  Cohort cohort = writeCohort(dir, plan);
  std::string all;
  for (int i = 1; i <= 40; ++i) all += std::to_string(i) + " ";
  RunResult r = runProgram({VELMORA_BIN, cohort.analysisFile}, "1\n" + all + "\n1 2\n\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("\nERROR: Too many patients chosen: the output file names would be longer "
                       "than the output directory takes.\n"),
            std::string::npos);
  for (const std::string& name : dir.list("out")) {
    EXPECT_EQ(name.find("SharedBy040"), std::string::npos) << name;
  }
  // The next turn is served as usual.
  EXPECT_TRUE(dir.exists("out/HH_RCHHsSharedBy002_st001_st002.txt") ||
              r.err.find("No common regions found") != std::string::npos);
  EXPECT_EQ(r.err.substr(r.err.size() - 12), "\nCompleted!\n");
}

}  // namespace
