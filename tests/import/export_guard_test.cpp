// velmora-export against inputs that would block it, grow without bound or
// be read in part, and against a link planted among its outputs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "base/lines.h"
#include "import/interchange.h"

namespace {

std::string analysisText(const ScratchDir& dir, const std::string& patient) {
  return "::annotation file\n" + dir.file("annotation.txt") + "\n::excluded area file\n" +
         "::patient pool\n" + dir.file(patient) + "\n::control pool\n" + dir.file("c1.txt") +
         "\n::output directory\n" + dir.file("results/") + "\n";
}

RunResult exportTo(const ScratchDir& dir, const std::string& analysis, const std::string& out) {
  return runProgram({toolPath("velmora-export"), dir.file(analysis), dir.file(out), "--plain-vcf"},
                    "");
}

std::string firstError(const RunResult& r) {
  size_t at = r.err.find("ERROR: ");
  return at == std::string::npos ? "" : r.err.substr(at, r.err.find('\n', at) - at);
}

TEST(ExportGuards, FifosEndlessLinesPartialNumbersAndPlantedLinksAreRefused) {
  ScratchDir dir;
  const std::string annotation =
      "1\t1000\t0.5\trs1\t0.5\n1\t3000\t0.5\trs2\t1.5\n2\t500\t0.5\trsx\t0.2\n";
  dir.write("annotation.txt", annotation);
  dir.write("p1.txt", "rs1\tAA\nrs2\tAB\nrsx\tBB\n");
  dir.write("c1.txt", "rs1\tBB\nrs2\t--\nrsx\tAA\n");
  dir.write("analysis.txt", analysisText(dir, "p1.txt"));
  RunResult r = exportTo(dir, "analysis.txt", "out");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(dir.read("out/cohort.vcf").find("1\t3000\trs2\tC\tT\t.\tPASS\t.\tGT\t0/1\t./.\n"),
            std::string::npos)
      << dir.read("out/cohort.vcf");
  EXPECT_EQ(dir.read("out/patients.txt"), "p1\n");

  struct Case {
    const char* name;
    std::string annotation;  // replaces the good annotation file
    std::string patientFile;
    const char* message;
  };
  ASSERT_EQ(mkfifo(dir.file("fifo.txt").c_str(), 0600), 0);
  dir.write("endless.txt", std::string(static_cast<size_t>(kLineLimit) + 5, 'r'));
  const std::vector<Case> cases = {
      {"FIFO", annotation, "fifo.txt", "it is not a regular file (a FIFO, device or socket)"},
      {"no line end", annotation, "endless.txt",
       "endless.txt line 1 holds 10000 or more characters, more than velmora reads"},
      {"partial position", "1\t12abc\t0.5\trs1\t0.5\n", "p1.txt",
       "annotation.txt line 1: '12abc' is not a whole number"},
      {"cM not finite", "1\t1000\t0.5\trs1\tinf\n", "p1.txt",
       "annotation.txt line 1: 'inf' is not a finite number"},
  };
  for (const Case& c : cases) {
    dir.write("annotation.txt", c.annotation);
    dir.write("case.txt", analysisText(dir, c.patientFile));
    r = exportTo(dir, "case.txt", "refused");
    EXPECT_EQ(r.status, 1) << c.name;
    EXPECT_NE(firstError(r).find(c.message), std::string::npos) << c.name << "\n" << r.err;
    EXPECT_FALSE(dir.exists("refused")) << c.name << ": the inputs are read before any output";
  }
  dir.write("annotation.txt", annotation);

  dir.write("case.txt", "::annotation file\n" + dir.file("annotation.txt") + "\n");
  r = exportTo(dir, "case.txt", "refused");
  EXPECT_NE(firstError(r).find("has no '::excluded area file' label"), std::string::npos) << r.err;

  // A link planted at an output name is refused, and what it points to is kept.
  dir.write("mine.txt", "mine\n");
  std::filesystem::remove(dir.file("out/patients.txt"));
  std::filesystem::create_symlink(dir.file("mine.txt"), dir.file("out/patients.txt"));
  r = exportTo(dir, "analysis.txt", "out");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(firstError(r).find("patients.txt exists and is not a regular file of its own"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(dir.read("mine.txt"), "mine\n");

  // A write that fails half way (here every write: the file size limit is 0,
  // and its signal ignored so that write() fails) leaves the earlier export
  // exactly as it was and no temporary directory.
  std::filesystem::remove(dir.file("out/patients.txt"));
  r = exportTo(dir, "analysis.txt", "out");
  ASSERT_EQ(r.status, 0) << r.err;
  std::map<std::string, std::string> before;
  for (const std::string& name : dir.list("out")) before[name] = dir.read("out/" + name);
  // The limit holds for the program alone; its messages reach the test through a pipe.
  r = runProgram({"/bin/bash", "-c",
                  "set -o pipefail; trap '' XFSZ; (ulimit -f 0; exec \"$0\" \"$1\" \"$2\" "
                  "--plain-vcf) 2>&1 | cat >&2",
                  toolPath("velmora-export"), dir.file("analysis.txt"), dir.file("out")},
                 "");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(firstError(r).find("cannot write"), std::string::npos) << r.err;
  std::map<std::string, std::string> after;
  for (const std::string& name : dir.list("out")) after[name] = dir.read("out/" + name);
  EXPECT_EQ(after, before);
}

}  // namespace
