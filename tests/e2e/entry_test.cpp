// The command line, the cutoff prompt and the order of a run's report lines.
#include <gtest/gtest.h>

#include "common/cohort.h"
#include "common/harness.h"

namespace {

const std::string kUsage = "ERROR: Analysis file not found\nUsage: Velmora analysisfile\n";

TEST(Entry, BadCommandLinesPrintUsageAndAskNothing) {
  ScratchDir dir;
  dir.write("a.txt", "");
  const std::vector<std::vector<std::string>> lines = {
      {VELMORA_BIN},
      {VELMORA_BIN, dir.file("a.txt"), dir.file("a.txt")},
      {VELMORA_BIN, dir.file("missing.txt")},
      {VELMORA_BIN, dir.path()}};
  for (const auto& argv : lines) {
    RunResult r = runProgram(argv, "2\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, kUsage);
    EXPECT_EQ(r.out, "");
  }
}

TEST(Entry, CutoffIsEchoedAsReadAndNeverValidated) {
  ScratchDir dir;
  CohortPlan plan;
  plan.patients = 2;
  Cohort cohort = writeCohort(dir, plan);
  const std::pair<std::string, std::string> answers[] = {
      {"1.5\n", "Cutoff is 1.50 cM\n"},   {"abc\n", "Cutoff is 0.00 cM\n"},
      {"\n", "Cutoff is 0.00 cM\n"},      {"", "Cutoff is 0.00 cM\n"},
      {"  -3\n", "Cutoff is -3.00 cM\n"}, {"2.004x\n", "Cutoff is 2.00 cM\n"}};
  for (const auto& [input, echo] : answers) {
    RunResult r = runProgram({VELMORA_BIN, cohort.analysisFile}, input);
    EXPECT_EQ(r.status, 0) << input << r.err;
    EXPECT_NE(r.err.find("Input RCHH cutoff in cM:  " + echo), std::string::npos) << input;
    EXPECT_NE(r.err.find("\nCompleted!\n"), std::string::npos);
  }
}

TEST(Entry, ReportLinesComeInRunOrder) {
  ScratchDir dir;
  CohortPlan plan;
  plan.patients = 3;
  plan.controls = 2;
  Cohort cohort = writeCohort(dir, plan);
  RunResult r = runProgram({VELMORA_BIN, cohort.analysisFile}, "1\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> milestones = {"Annotation file:\t",
                                               "Excluded area file is not set.\n",
                                               "Target area file is not set.\n",
                                               "Patient pool:\ta total of 3 patients\n",
                                               "Control pool:\ta total of 2 subjects\n",
                                               "Output directory:\t",
                                               "Input RCHH cutoff in cM:  Cutoff is 1.00 cM\n",
                                               "\nAnnotation data read = ",
                                               "Number of SNPs read",
                                               "Number of regions 3\n",
                                               "in the patient pool.\n",
                                               "in the control pool.\n",
                                               "\n\nPatientPool\n",
                                               "\nCompleted.\n\n",
                                               "\n\nControlPool\n",
                                               "\nRepresentative: PatientPool\n",
                                               "\nRepresentative: ControlPool\n",
                                               "\nCompleted!\n"};
  size_t at = 0;
  for (const std::string& m : milestones) {
    size_t found = r.err.find(m, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << m;
    at = found + m.size();
  }
  EXPECT_EQ(r.err.substr(r.err.size() - 12), "\nCompleted!\n");
  // No temporary pair file survives a complete run.
  for (const std::string& name : dir.list("out"))
    EXPECT_EQ(name.find("tempFile"), std::string::npos);
}

}  // namespace
