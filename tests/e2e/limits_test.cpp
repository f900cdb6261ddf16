// Sizes beyond what the run's fixed-width counters, tables and the process's
// open-file limit hold are refused before any output is written.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/cohort.h"
#include "common/harness.h"
#include "guarded_run.h"

namespace fs = std::filesystem;

namespace {

std::string analysisWith(const ScratchDir& dir, const std::string& patients,
                         const std::string& controls, const std::string& output) {
  return "::annotation file\n" + dir.file("annotation.txt") +
         "\n::excluded area file\n::patient pool\n" + patients + "::control pool\n" + controls +
         "::output directory\n" + output + "\n";
}

std::string repeatedLine(const std::string& line, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += line + "\n";
  return text;
}

void expectRefusedUntouched(const RunResult& run, const std::string& message,
                            const ScratchDir& dir) {
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Completed!"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(dir.file("out")));
}

TEST(Limits, PoolsBeyondTheCoverCountersAndThePairKeyAreRefused) {
  ScratchDir dir;
  const Cohort cohort = writeCohort(dir, CohortPlan{});
  const std::string p1 = dir.file("p01.txt");
  const auto run = [&](const std::string& analysis) {
    dir.write("analysis.txt", analysis);
    return runGuarded({VELMORA_BIN, dir.file("analysis.txt")}, "1\n\n");
  };
  expectRefusedUntouched(
      run(analysisWith(dir, repeatedLine(p1, 32768), "", cohort.outputDir)),
      "ERROR: The patient pool holds 32768 subjects; at most 32767 patients can be analysed.\n",
      dir);
  expectRefusedUntouched(
      run(analysisWith(dir, p1 + "\n", repeatedLine(p1, 65536), cohort.outputDir)),
      "ERROR: The control pool holds 65536 subjects; at most 65535 controls can be analysed.\n",
      dir);
  // At the limits the pools pass, and the run goes on to check each file.
  const std::string missing = dir.file("missing.txt");
  expectRefusedUntouched(run(analysisWith(dir, repeatedLine(missing, 32767), "", cohort.outputDir)),
                         "ERROR: Patient file " + missing + " is not found.\n", dir);
  expectRefusedUntouched(
      run(analysisWith(dir, p1 + "\n", repeatedLine(missing, 65535), cohort.outputDir)),
      "ERROR: Control file " + missing + " is not found.\n", dir);
}

TEST(Limits, ChromosomeNumbersAndNamesBeyondTheTablesAreRefused) {
  ScratchDir dir;
  const Cohort cohort = writeCohort(dir, CohortPlan{});
  const std::string annotation = dir.read("annotation.txt");
  dir.write("annotation.txt", annotation + "10002\t100\t0.5\trsBig\t1.0\n");
  const RunResult big = runGuarded({VELMORA_BIN, cohort.analysisFile}, "1\n\n");
  expectRefusedUntouched(big,
                         "ERROR: Chromosome number 10002 in the annotation file is too large; at "
                         "most 10001 is supported.\n",
                         dir);

  dir.write("annotation.txt", annotation);
  const std::string longDir = dir.file(std::string(990, 'd') + "/");
  dir.write("analysis.txt", analysisWith(dir, dir.file("p01.txt") + "\n", "", longDir));
  const RunResult longName = runGuarded({VELMORA_BIN, dir.file("analysis.txt")}, "1\n\n");
  expectRefusedUntouched(longName, "ERROR: Output file name is longer than 999 characters", dir);
}

// Every analysed chromosome keeps its temporary pair file open during a pass.
TEST(Limits, MoreChromosomesThanOpenFilesAreRefusedUnlessTheLimitCanBeRaised) {
  ScratchDir dir;
  const Cohort cohort = writeCohort(dir, CohortPlan{});
  std::string annotation, calls;
  for (int c = 1; c <= 200; ++c) {
    for (int i = 0; i < 2; ++i) {
      const std::string rs = "rs" + std::to_string(c) + "_" + std::to_string(i);
      annotation += std::to_string(c) + "\t" + std::to_string(1000 + i * 1000) + "\t0.5\t" + rs +
                    "\t" + std::to_string(1 + i) + "\n";
      calls += rs + "\t" + (i == 0 ? "AA" : "BB") + "\n";
    }
  }
  dir.write("annotation.txt", annotation);
  for (const char* p : {"p01.txt", "p02.txt", "p03.txt", "p04.txt"}) dir.write(p, calls);

  RunLimits tight;
  tight.openFilesSoft = tight.openFilesHard = 64;
  const RunResult refused = runGuarded({VELMORA_BIN, cohort.analysisFile}, "1\n\n", tight);
  ASSERT_NE(refused.status, kSetupFailed);
  expectRefusedUntouched(
      refused,
      "ERROR: The annotation file has 199 analysed chromosomes; a run would need more open "
      "files than the limit of 64 allows.\n",
      dir);

  RunLimits raisable;
  raisable.openFilesSoft = 64;
  raisable.openFilesHard = 1024;
  const RunResult raised = runGuarded({VELMORA_BIN, cohort.analysisFile}, "1\n\n", raisable);
  if (raised.status == kSetupFailed) GTEST_SKIP() << "the hard open-file limit is below 1024";
  EXPECT_EQ(raised.status, 0) << raised.err.substr(
      raised.err.size() > 2000 ? raised.err.size() - 2000 : 0);
  EXPECT_NE(raised.err.find("\nCompleted!\n"), std::string::npos);
}

}  // namespace
