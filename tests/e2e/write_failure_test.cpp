// Runs whose outputs cannot be written completely: a file-size limit, a full
// device behind an output name, the output directory gone before a query turn.
// None may end with "Completed!" and status 0; each stops with an "ERROR: "
// message and status 1.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "common/cohort.h"
#include "common/harness.h"
#include "guarded_run.h"

namespace fs = std::filesystem;

namespace {

// Cutoff 1 cM, then an empty line that ends the query of a patients-only run.
const char kAnswers[] = "1\n\n";

std::map<std::string, std::string> outputsOf(const ScratchDir& dir) {
  std::map<std::string, std::string> files;
  for (const std::string& name : dir.list("out")) files[name] = dir.read("out/" + name);
  return files;
}

void expectStoppedUnfinished(const RunResult& run, const std::string& messagePart) {
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find(messagePart), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Completed!"), std::string::npos);
}

TEST(WriteFailure, UnderAFileSizeLimitARunIsWholeOrStopsWithAnError) {
  ScratchDir reference;
  const Cohort full = writeCohort(reference, CohortPlan{});
  const RunResult whole = runGuarded({VELMORA_BIN, full.analysisFile}, kAnswers);
  ASSERT_EQ(whole.status, 0) << whole.err;
  const std::map<std::string, std::string> expected = outputsOf(reference);
  size_t largest = 0;
  for (const auto& [name, content] : expected) largest = std::max(largest, content.size());
  ASSERT_GT(largest, 2000u);

  // From a limit that stops the first output file up to one every file fits.
  int stopped = 0;
  for (const long limit :
       {512L, 2048L, static_cast<long>(largest) / 2, static_cast<long>(largest)}) {
    SCOPED_TRACE("limit " + std::to_string(limit));
    ScratchDir dir;
    const Cohort cohort = writeCohort(dir, CohortPlan{});
    RunLimits limits;
    limits.fileSizeBytes = limit;
    const RunResult run = runGuarded({VELMORA_BIN, cohort.analysisFile}, kAnswers, limits);
    ASSERT_NE(run.status, kSetupFailed);
    if (run.status == 0) {
      // A run that ends as complete wrote every file whole.
      EXPECT_EQ(outputsOf(dir), expected);
      EXPECT_NE(run.err.find("\nCompleted!\n"), std::string::npos);
    } else {
      ++stopped;
      expectStoppedUnfinished(run, "ERROR: Failed to write " + cohort.outputDir);
    }
  }
  EXPECT_GE(stopped, 3);
}

// The temporary pair files are the largest files of a run with many patients
// and few SNPs: rows of all pairs against a short chromosome.
TEST(WriteFailure, ATemporaryPairFileCutByTheLimitStopsThePass) {
  CohortPlan plan;
  plan.autosomes = 2;
  plan.snpsPerChromosome = 8;
  plan.xSnps = 2;
  plan.patients = 40;
  plan.plantedFirst = 1;
  plan.plantedLast = 6;
  ScratchDir reference;
  const Cohort full = writeCohort(reference, plan);
  const RunResult whole = runGuarded({VELMORA_BIN, full.analysisFile}, kAnswers);
  ASSERT_EQ(whole.status, 0) << whole.err;
  // Every file written before the pair files are closed fits the limit (the
  // fold-overlap summary grows slot by slot in the pass); 780 pair rows of
  // the first chromosome do not.
  const long summarySize = static_cast<long>(
      std::max(reference.read("out/HH_HomozygosityHaplotype_Summary_PatientPool.txt").size(),
               reference.read("out/HH_FoldOverlap_Summary_PatientPool.txt").size()));

  ScratchDir dir;
  const Cohort cohort = writeCohort(dir, plan);
  RunLimits limits;
  limits.fileSizeBytes = summarySize + 1;
  const RunResult run = runGuarded({VELMORA_BIN, cohort.analysisFile}, kAnswers, limits);
  ASSERT_NE(run.status, kSetupFailed);
  expectStoppedUnfinished(run, "ERROR: Failed to write " + cohort.outputDir + "tempFile000.txt\n");
  // The pair table is never printed from a cut file.
  EXPECT_EQ(run.err.find("( St1, St2 )"), std::string::npos);
}

// A link to /dev/full at an output name of velmora is refused before anything
// is written (see output_directory_test.cpp); annotsum's output goes where
// the shell sends it.
TEST(WriteFailure, AFullDeviceBehindAnnotsumsOutputStopsIt) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "/dev/full is not available";
  ScratchDir dir;
  const Cohort cohort = writeCohort(dir, CohortPlan{});
  fs::create_symlink("/dev/full", dir.file("summary.txt"));
  const RunResult summary =
      runGuarded({"/bin/sh", "-c",
                  std::string(ANNOTSUM_BIN) + " " + dir.file("annotation.txt") + " > " +
                      dir.file("summary.txt")},
                 "");
  EXPECT_EQ(summary.status, 1);
  EXPECT_NE(summary.err.find("ERROR: "), std::string::npos);
}

TEST(WriteFailure, OutputDirectoryRemovedBeforeAQueryTurnStopsTheTurn) {
  ScratchDir dir;
  const Cohort cohort = writeCohort(dir, CohortPlan{});
  Session session({VELMORA_BIN, cohort.analysisFile});
  session.send("1\n");
  ASSERT_TRUE(session.waitFor("(just hit return to exit) "));
  fs::remove_all(cohort.outputDir);
  session.send("1 2 3\n");
  const RunResult run = session.finish();
  expectStoppedUnfinished(run, "ERROR: Cannot open temporary file.\n");
}

}  // namespace
