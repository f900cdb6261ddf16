// Malformed input of every kind, end to end: each file the run reads is made
// empty, binary, overlong, CR-ended, short of columns, out of order, a
// directory or unreadable. Each case gets its defined handling or stops with an
// "ERROR: " message and status 1 before any output; none crashes, hangs or ends
// as complete when it is not.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <random>

#include "common/cohort.h"
#include "common/harness.h"
#include "guarded_run.h"

namespace fs = std::filesystem;

namespace {

const char kAnswers[] = "1\n\n";  // cutoff 1 cM; an empty line ends the query

// The files of a cohort, and an analysis file naming them that a case can vary.
struct CohortRun {
  ScratchDir dir;
  Cohort cohort = writeCohort(dir, CohortPlan{});
  std::string annotation = dir.file("annotation.txt");
  std::string excluded, target;
  std::vector<std::string> patients = {dir.file("p01.txt"), dir.file("p02.txt"),
                                       dir.file("p03.txt"), dir.file("p04.txt")};
  std::string output = cohort.outputDir;
  std::string program = VELMORA_BIN;

  std::string analysisText() const {
    std::string text = "::annotation file\n" + annotation + "\n::excluded area file\n" + excluded +
                       "\n::target area file\n" + target + "\n::patient pool\n";
    for (const std::string& p : patients) text += p + "\n";
    return text + "::control pool\n::output directory\n" + output + "\n";
  }
  RunResult velmora(const RunLimits& limits = {}) {
    dir.write("analysis.txt", analysisText());
    return runGuarded({program, dir.file("analysis.txt")}, kAnswers, limits);
  }
  bool outputEmpty() const { return fs::is_empty(dir.file("out")); }
};

void expectRefused(const RunResult& run, const std::string& message) {
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Completed!"), std::string::npos);
}

void expectComplete(const RunResult& run) {
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("\nCompleted!\n"), std::string::npos);
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

TEST(MalformedInput, EmptyFilesOfEachKind) {
  {
    CohortRun run;
    run.dir.write("empty.txt", "");
    const RunResult r = runGuarded({VELMORA_BIN, run.dir.file("empty.txt")}, kAnswers);
    expectRefused(r, "ERROR: '::annotation file' label is not found.\n");
  }
  {
    CohortRun run;  // no numeric chromosome at all: the tables cannot be sized
    run.dir.write("annotation.txt", "");
    expectRefused(run.velmora(), "ERROR: Failed to allocate memory\n");
    EXPECT_TRUE(run.outputEmpty());
  }
  {
    CohortRun run;
    run.dir.write("areas.txt", "");
    run.target = run.dir.file("areas.txt");
    expectRefused(run.velmora(), "ERROR: There are no regions to be analyzed.\n");
    EXPECT_TRUE(run.outputEmpty());
  }
  {
    CohortRun run;  // an empty excluded area file excludes nothing
    run.dir.write("areas.txt", "");
    run.excluded = run.dir.file("areas.txt");
    const RunResult r = run.velmora();
    expectComplete(r);
    EXPECT_NE(r.err.find("Ratio is 1.000000\n"), std::string::npos);
  }
  {
    CohortRun run;  // a subject without calls is reported as such and analysed
    run.dir.write("p01.txt", "");
    const RunResult r = run.velmora();
    expectComplete(r);
    EXPECT_NE(
        r.err.find("A total of 0 SNP typing data was read for subject 1 in the patient pool.\n"),
        std::string::npos);
  }
}

TEST(MalformedInput, BinaryDataAndNulBytes) {
  std::mt19937 rng(5);
  std::string binary(4000, '\0');
  for (char& c : binary) c = static_cast<char>(rng() % 256);
  {
    CohortRun run;
    run.dir.write("annotation.txt", binary);
    const RunResult r = run.velmora();
    expectRefused(r, "ERROR: ");
    EXPECT_TRUE(run.outputEmpty());
  }
  {
    CohortRun run;  // a binary subject file has no recognised call
    run.dir.write("p02.txt", binary);
    const RunResult r = run.velmora();
    expectComplete(r);
    EXPECT_NE(r.err.find("in the patient pool.\nFile name = " + run.dir.file("p02.txt") +
                         "\nNumbers of valid SNPs\t0\n"),
              std::string::npos);
  }
  {
    CohortRun run;  // a NUL byte ends the text of its line
    std::string annotation = run.dir.read("annotation.txt");
    annotation.insert(annotation.find("\trs1000\t"), std::string("\0", 1));
    run.dir.write("annotation.txt", annotation);
    std::string text = run.analysisText();
    text.insert(text.find("p01.txt") + 7, std::string("\0 ignored", 9));
    run.dir.write("analysis.txt", text);
    const RunResult r = runGuarded({VELMORA_BIN, run.dir.file("analysis.txt")}, kAnswers);
    expectComplete(r);
    EXPECT_NE(r.err.find("\n\t" + run.dir.file("p01.txt") + "\n"), std::string::npos);
    EXPECT_NE(r.err.find("Number of SNPs read\t\t125\n  Valid SNPs\t\t124\n"), std::string::npos)
        << r.err;
  }
}

TEST(MalformedInput, LinesOfTenThousandCharactersStopEveryReader) {
  const std::string longLine(10000, 'c');
  {
    CohortRun run;  // 9999 characters still fit
    run.dir.write("analysis.txt", run.analysisText() + ":" + longLine.substr(1, 9998) + "\n");
    expectComplete(runGuarded({VELMORA_BIN, run.dir.file("analysis.txt")}, kAnswers));
  }
  {
    CohortRun run;
    run.dir.write("analysis.txt", run.analysisText() + ":" + longLine + "\n");
    const RunResult r = runGuarded({VELMORA_BIN, run.dir.file("analysis.txt")}, kAnswers);
    expectRefused(r, "ERROR: Analysis file " + run.dir.file("analysis.txt") +
                         " holds a line of 10000 or more characters; lines must be shorter.\n");
    EXPECT_EQ(r.err.find("Annotation file:"), std::string::npos);
  }
  {
    CohortRun run;
    run.dir.write("annotation.txt",
                  "1\t5\t0.5\trs1\t0.1\n" + longLine + "\n" + run.dir.read("annotation.txt"));
    expectRefused(run.velmora(),
                  "ERROR: Annotation file " + run.annotation + " holds a line of 10000");
    EXPECT_TRUE(run.outputEmpty());
    const RunResult summary = runGuarded({ANNOTSUM_BIN, run.annotation}, "");
    EXPECT_EQ(summary.status, 1);
    EXPECT_EQ(summary.out, "ERROR");
  }
  {
    CohortRun run;  // a later subject: the earlier ones were read whole
    run.dir.write("p03.txt", run.dir.read("p03.txt") + longLine);
    expectRefused(run.velmora(),
                  "ERROR: Genotyping file " + run.dir.file("p03.txt") + " holds a line of 10000");
    EXPECT_TRUE(run.outputEmpty());
  }
  {
    CohortRun run;
    run.dir.write("areas.txt",
                  "1 1000 0.05\n1 21000 0.15\n" + longLine + "\n3 1000 0.05\n3 21000 0.15\n");
    run.excluded = run.dir.file("areas.txt");
    expectRefused(run.velmora(),
                  "ERROR: Excluded area file " + run.excluded + " holds a line of 10000");
    EXPECT_TRUE(run.outputEmpty());
  }
}

TEST(MalformedInput, CrOnlyFilesReadLikeLfFiles) {
  CohortRun lf, cr;
  for (const char* name : {"annotation.txt", "p01.txt", "p02.txt", "p03.txt", "p04.txt"}) {
    cr.dir.write(name, replaceAll(cr.dir.read(name), "\n", "\r"));
  }
  cr.dir.write("analysis.txt", replaceAll(cr.analysisText(), "\n", "\r"));
  expectComplete(lf.velmora());
  expectComplete(runGuarded({VELMORA_BIN, cr.dir.file("analysis.txt")}, kAnswers));
  const std::vector<std::string> names = lf.dir.list("out");
  ASSERT_EQ(cr.dir.list("out"), names);
  ASSERT_GT(names.size(), 5u);
  for (const std::string& name : names)
    EXPECT_EQ(cr.dir.read("out/" + name), lf.dir.read("out/" + name)) << name;
}

TEST(MalformedInput, MissingColumnsNonNumericFieldsAndDuplicatesAreHandledLineByLine) {
  CohortRun run;
  // Four bad annotation lines among the first chromosome's: dropped with messages.
  std::string annotation = run.dir.read("annotation.txt");
  annotation.insert(annotation.find("1\t21000\t"),
                    "1\t5000\n"
                    "MT\t100\t0.5\trsMT\t1.0\n"
                    "1\tabc\t0.5\trsA\t1.0\n"
                    "1\t100\tzz\trsB\t1.0\n");
  run.dir.write("annotation.txt", annotation);
  // A call column missing and an empty line (both read, their rs IDs taken or
  // absent), and the first line again: three lines that find no SNP.
  const std::string p1 = run.dir.read("p01.txt");
  run.dir.write("p01.txt", p1 + "rs1000\n\n" + p1.substr(0, p1.find('\n') + 1));
  const RunResult r = run.velmora();
  expectComplete(r);
  EXPECT_NE(r.err.find("Number of SNPs read\t\t129\n  Valid SNPs\t\t125\n"), std::string::npos)
      << r.err;
  EXPECT_NE(
      r.err.find("A total of 128 SNP typing data was read for subject 1 in the patient pool.\n"),
      std::string::npos);
  EXPECT_NE(r.err.find("Numbers of valid SNPs"), std::string::npos);
  EXPECT_NE(r.err.find("A total of 3 SNPs failed to find dbSNP rs ID\n"), std::string::npos);
}

TEST(MalformedInput, ChromosomesOutOfOrderAreRefusedBeforeAnyOutput) {
  const auto blocks = [](const std::string& annotation) {
    std::map<char, std::string> byChromosome;  // the cohort's chromosomes are 1..4
    for (const std::string& line : linesOf(annotation)) byChromosome[line[0]] += line + "\n";
    return byChromosome;
  };
  {
    CohortRun run;
    auto b = blocks(run.dir.read("annotation.txt"));
    run.dir.write("annotation.txt", b['2'] + b['1'] + b['3'] + b['4']);
    expectRefused(run.velmora(),
                  "ERROR: Chromosome 1 on line 41 of the annotation file comes after chromosome 2; "
                  "chromosomes must be listed in ascending order, each in one block.\n");
    EXPECT_TRUE(run.outputEmpty());
  }
  {
    CohortRun run;  // 1, 2, 1: one chromosome-1 line after chromosome 2
    auto b = blocks(run.dir.read("annotation.txt"));
    const size_t last = b['1'].rfind('\n', b['1'].size() - 2) + 1;
    const std::string moved = b['1'].substr(last);
    run.dir.write("annotation.txt", b['1'].substr(0, last) + b['2'] + moved + b['3'] + b['4']);
    expectRefused(
        run.velmora(),
        "ERROR: Chromosome 1 on line 80 of the annotation file comes after chromosome 2;");
    EXPECT_TRUE(run.outputEmpty());
  }
  {
    CohortRun run;  // positions may fall within a chromosome
    auto b = blocks(run.dir.read("annotation.txt"));
    const std::vector<std::string> lines = linesOf(b['3']);
    std::string swapped;
    for (size_t i = lines.size(); i-- > 0;) swapped += lines[i] + "\n";
    run.dir.write("annotation.txt", b['1'] + b['2'] + swapped + b['4']);
    expectComplete(run.velmora());
  }
}

TEST(MalformedInput, DirectoriesInPlaceOfFilesAreRefused) {
  CohortRun run;
  fs::create_directories(run.dir.file("folder"));
  const std::string folder = run.dir.file("folder");
  expectRefused(runGuarded({VELMORA_BIN, folder}, kAnswers),
                "ERROR: Analysis file not found\nUsage: Velmora analysisfile\n");
  run.annotation = folder;
  expectRefused(run.velmora(), "ERROR: Cannot open annotation file.\n");
  run.annotation = run.dir.file("annotation.txt");
  run.patients[1] = folder;
  expectRefused(run.velmora(), "ERROR: Patient file " + folder + " is not found.\n");
  run.patients[1] = run.dir.file("p02.txt");
  run.excluded = folder;
  expectRefused(run.velmora(), "ERROR: Cannot open excluded area file.\n");
  run.excluded.clear();
  run.output = run.dir.file("annotation.txt") + "/";
  expectRefused(run.velmora(), "ERROR: Output directory does not exist.\n");
  EXPECT_TRUE(run.outputEmpty());
  const RunResult summary = runGuarded({ANNOTSUM_BIN, folder}, "");
  EXPECT_EQ(summary.status, 1);
  EXPECT_NE(summary.err.find("ERROR: Cannot read annotation file"), std::string::npos);
}

// As root, permission bits do not stop a read; the runs then drop to an
// unprivileged user, for which the scratch files and a copy of the program
// (the build tree may lie where that user cannot reach) are opened up.
TEST(MalformedInput, UnreadableFilesAndAnUnwritableOutputDirectoryAreRefused) {
  CohortRun run;
  run.program = run.dir.file("velmora");
  fs::copy_file(VELMORA_BIN, run.program);
  openToEveryone(run.dir.path());
  fs::permissions(run.program, fs::perms::all, fs::perm_options::add);
  RunLimits unprivileged;
  unprivileged.unprivileged = true;
  const RunResult readable = run.velmora(unprivileged);
  if (readable.status == kSetupFailed) GTEST_SKIP() << "cannot drop privileges";
  expectComplete(readable);
  fs::remove_all(run.dir.file("out"));
  fs::create_directories(run.dir.file("out"));
  openToEveryone(run.dir.file("out"));

  chmod(run.dir.file("p02.txt").c_str(), 0);
  expectRefused(run.velmora(unprivileged),
                "ERROR: Patient file " + run.dir.file("p02.txt") + " is not found.\n");
  chmod(run.dir.file("p02.txt").c_str(), 0644);
  chmod(run.annotation.c_str(), 0);
  expectRefused(run.velmora(unprivileged), "ERROR: Cannot open annotation file.\n");
  chmod(run.annotation.c_str(), 0644);
  chmod(run.dir.file("out").c_str(), 0555);
  expectRefused(run.velmora(unprivileged), "ERROR: Output directory does not exist.\n");
  EXPECT_TRUE(run.outputEmpty());
  chmod(run.dir.file("analysis.txt").c_str(), 0);
  expectRefused(runGuarded({run.program, run.dir.file("analysis.txt")}, kAnswers, unprivileged),
                "ERROR: Analysis file not found\nUsage: Velmora analysisfile\n");
}

}  // namespace
