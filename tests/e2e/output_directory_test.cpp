// The output directory belongs to one run: links and foreign files at the
// run's names, a second run at once, pieces left by an interrupted run, and
// inputs that are not regular files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "common/cohort.h"
#include "common/harness.h"
#include "guarded_run.h"

namespace fs = std::filesystem;

namespace {

const char kAnswers[] = "1\n1 2 3\n\n";

std::map<std::string, std::string> filesIn(const ScratchDir& dir, const std::string& sub) {
  std::map<std::string, std::string> files;
  for (const std::string& name : dir.list(sub)) files[name] = dir.read(sub + "/" + name);
  return files;
}

// The same cohort with its output into `sub`.
std::string analysisInto(const ScratchDir& dir, const Cohort& cohort, const std::string& sub) {
  std::string text = dir.read("analysis.txt");
  text.replace(text.find(cohort.outputDir), cohort.outputDir.size(), dir.file(sub + "/"));
  fs::create_directories(dir.file(sub));
  dir.write("analysis_" + sub + ".txt", text);
  return dir.file("analysis_" + sub + ".txt");
}

}  // namespace

TEST(OutputDirectory, LinksAndForeignFilesAtTheRunsNamesStopItBeforeAnythingIsWritten) {
  const char* linked[] = {"____temp____", "tempFile000.txt",
                          "HH_HomozygosityHaplotype_Summary_PatientPool.txt",
                          "HH_006_FoldOverlaps_PatientPool_chr005.ps",
                          "HH_RCHHsSharedBy003_st001_st002_st003.ps_chr002"};
  for (int kind = 0; kind < 7; ++kind) {
    ScratchDir dir;
    const Cohort cohort = writeCohort(dir, CohortPlan{});
    dir.write("secret.txt", "private\n");
    chmod(dir.file("secret.txt").c_str(), 0600);
    std::string name;
    if (kind < 5) {
      name = linked[kind];
      fs::create_symlink(dir.file("secret.txt"), cohort.outputDir + name);
    } else if (kind == 5) {
      name = "HH_FoldOverlap_Summary_PatientPool.txt";
      ASSERT_EQ(mkfifo((cohort.outputDir + name).c_str(), 0600), 0);
    } else {
      name = "HH_NoStSharingRCHHs_PatientPool.ps";
      fs::create_hard_link(dir.file("secret.txt"), cohort.outputDir + name);
    }
    SCOPED_TRACE(name);
    const RunResult run = runGuarded({VELMORA_BIN, cohort.analysisFile}, kAnswers);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("ERROR: " + cohort.outputDir + name +
                           " is a symbolic link or not a regular file of velmora's own"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("Input RCHH cutoff"), std::string::npos);  // stopped before the prompt
    EXPECT_EQ(dir.read("secret.txt"), "private\n");
    EXPECT_EQ(dir.list("out"), std::vector<std::string>{name});
  }
}

TEST(OutputDirectory, ASecondRunAtOnceIsRefusedAndTheFirstEndsAsIfAlone) {
  ScratchDir dir;
  const Cohort cohort = writeCohort(dir, CohortPlan{});
  StartedProgram first({VELMORA_BIN, cohort.analysisFile});
  ASSERT_TRUE(first.waitForError("Input RCHH cutoff"));  // holds the directory, waits for input
  const RunResult second = runProgram({VELMORA_BIN, cohort.analysisFile}, kAnswers);
  EXPECT_EQ(second.status, 1);
  EXPECT_NE(second.err.find("ERROR: The output directory " + cohort.outputDir +
                            " is in use by another velmora run"),
            std::string::npos)
      << second.err;
  EXPECT_TRUE(dir.list("out").empty());
  first.send(kAnswers);
  const RunResult together = first.wait();
  ASSERT_EQ(together.status, 0) << together.err;
  const RunResult alone = runProgram({VELMORA_BIN, analysisInto(dir, cohort, "alone")}, kAnswers);
  ASSERT_EQ(alone.status, 0) << alone.err;
  EXPECT_EQ(filesIn(dir, "out"), filesIn(dir, "alone"));
}

TEST(OutputDirectory, ARerunAfterAnInterruptionWritesExactlyTheFilesOfACleanRun) {
  CohortPlan plan;
  plan.autosomes = 12;
  plan.snpsPerChromosome = 300;
  plan.patients = 16;
  plan.plantedLast = 200;
  plan.sharers = 9;
  ScratchDir dir;
  const Cohort cohort = writeCohort(dir, plan);
  const std::string rerun = "1.5\n1 2 3 4\n2 5\n\n";
  const RunResult clean = runProgram({VELMORA_BIN, analysisInto(dir, cohort, "clean")}, rerun);
  ASSERT_EQ(clean.status, 0) << clean.err;
  // Interrupted in a pass, in a merge and in a query turn, by each signal.
  const struct {
    const char* after;
    int signal;
  } stops[] = {{"chromosome 6: 5/10 completed.", SIGKILL},
               {"chromosome 11: 1/10 completed.", SIGTERM},
               {"Writing ", SIGINT},
               {"Input the numbers", SIGKILL}};
  for (const auto& stop : stops) {
    SCOPED_TRACE(stop.after);
    {
      StartedProgram interrupted({VELMORA_BIN, cohort.analysisFile});
      interrupted.send("0.5\n1 2 3 4 5 6 7 8 9\n");
      interrupted.waitForError(stop.after, 1, 60);
      interrupted.sendSignal(stop.signal);
      interrupted.wait();
    }
    const RunResult again = runProgram({VELMORA_BIN, cohort.analysisFile}, rerun);
    ASSERT_EQ(again.status, 0) << again.err;
    // Every file of the clean run, byte for byte; beside them only whole
    // results of the interrupted run's own (other fold counts, its query),
    // never a piece or a pair file.
    const std::map<std::string, std::string> seen = filesIn(dir, "out");
    for (const auto& [name, content] : filesIn(dir, "clean")) {
      EXPECT_TRUE(seen.count(name) == 1 && seen.at(name) == content) << name;
    }
    for (const auto& [name, content] : seen) {
      EXPECT_EQ(name.find("_chr"), std::string::npos) << name;
      EXPECT_NE(name.rfind("HH_", 0), std::string::npos) << name;
    }
  }
}

TEST(OutputDirectory, FifosAndDevicesAsInputsStopTheRunAtOnce) {
  ScratchDir dir;
  const Cohort cohort = writeCohort(dir, CohortPlan{});
  ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
  const std::string analysis = dir.read("analysis.txt");
  auto withInput = [&](const std::string& from, const std::string& to) {
    std::string text = analysis;
    text.replace(text.find(from), from.size(), to);
    dir.write("changed.txt", text);
    return runGuarded({VELMORA_BIN, dir.file("changed.txt")}, kAnswers);
  };
  struct Case {
    RunResult run;
    std::string message;
  } cases[] = {
      {runGuarded({VELMORA_BIN, dir.file("fifo")}, kAnswers),
       "ERROR: Analysis file " + dir.file("fifo") + " is not a regular file"},
      {withInput(dir.file("annotation.txt"), "/dev/urandom"),
       "ERROR: Annotation file /dev/urandom is not a regular file"},
      {withInput(dir.file("p02.txt"), dir.file("fifo")),
       "ERROR: Patient file " + dir.file("fifo") + " is not a regular file"},
      {withInput("::excluded area file\n", "::excluded area file\n/dev/zero\n"),
       "ERROR: Excluded area file /dev/zero is not a regular file"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.run.status, 1) << c.message;
    EXPECT_NE(c.run.err.find(c.message), std::string::npos) << c.run.err;
  }
  EXPECT_TRUE(dir.list("out").empty());
}
