// The bundled demo cohort end to end: the planted locus stands out, every
// figure renders, and no intermediate file is left behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "common/harness.h"

namespace {

// Copies a demo analysis file with its output directory moved into `dir`.
std::string relocatedAnalysisFile(const ScratchDir& dir, const std::string& name) {
  std::ifstream in(std::string(VELMORA_SOURCE_DIR) + "/examples/demo/" + name);
  std::stringstream text;
  text << in.rdbuf();
  std::string content = text.str();
  const std::string from = "examples/demo/out/";
  content.replace(content.find(from), from.size(), dir.file("out/"));
  dir.write(name, content);
  dir.write("out/.keep", "");
  std::remove(dir.file("out/.keep").c_str());
  return dir.file(name);
}

bool ghostscriptPresent() {
  return std::system("gs --version > /dev/null 2>&1") == 0;
}

// Renders an EPS file with Ghostscript; returns what it reported, empty when clean.
std::string renderProblems(const std::string& eps, const std::string& png) {
  RunResult r = runProgram({"/usr/bin/env", "gs", "-q", "-dSAFER", "-dNOPAUSE", "-dBATCH",
                            "-sDEVICE=png16m", "-r72", "-sOutputFile=" + png, eps},
                           "");
  if (r.status != 0 || !r.err.empty() || !r.out.empty()) {
    return "status " + std::to_string(r.status) + ": " + r.out + r.err;
  }
  return "";
}

struct DemoLine {
  int chr;
  double value;
};

TEST(DemoRun, TwoPoolsPlantedLocusIsTheMostSignificantAndFiguresRender) {
  ScratchDir dir;
  const std::string analysis = relocatedAnalysisFile(dir, "analysis_with_controls.txt");
  RunResult r = runProgram({VELMORA_BIN, analysis}, "5\n", VELMORA_SOURCE_DIR);
  ASSERT_EQ(r.status, 0) << r.err;

  // The most significant segment of the pool comparison lies on chromosome 7.
  const std::vector<std::string> pvalues =
      linesOf(dir.read("out/HH_P_Value_PatientPool_vs_ControlPool.txt"));
  ASSERT_FALSE(pvalues.empty());
  DemoLine best{0, -1};
  for (const std::string& line : pvalues) {
    std::istringstream fields(line);
    std::string chr, pos, map, rs, mlp;
    std::getline(fields, chr, '\t');
    std::getline(fields, pos, '\t');
    std::getline(fields, map, '\t');
    std::getline(fields, rs, '\t');
    std::getline(fields, mlp, '\t');
    const double value = std::stod(mlp);
    if (value > best.value) best = {std::stoi(chr), value};
  }
  EXPECT_EQ(best.chr, 7);

  // All six patients share only the planted stretch; the list names every one.
  const std::vector<std::string> six = linesOf(dir.read("out/HH_006_FoldOverlaps_PatientPool.txt"));
  ASSERT_EQ(six.size() % 2, 0u);
  ASSERT_FALSE(six.empty());
  for (const std::string& line : six) {
    EXPECT_EQ(line.substr(0, 2), "7\t");
    EXPECT_NE(line.find("Subjects\t p01.txt p02.txt p03.txt p04.txt p05.txt p06.txt"),
              std::string::npos);
  }
  EXPECT_FALSE(dir.exists("out/HH_006_FoldOverlaps_ControlPool.txt"));

  // No per-chromosome piece and no temporary pair file survives the run.
  for (const std::string& name : dir.list("out")) {
    EXPECT_EQ(name.find("_chr"), std::string::npos) << name;
    EXPECT_EQ(name.find("tempFile"), std::string::npos) << name;
  }

  if (!ghostscriptPresent()) {
    if (std::getenv("CI") != nullptr) FAIL() << "Ghostscript is needed to check the figures";
    GTEST_SKIP() << "Ghostscript not installed";
  }
  int rendered = 0;
  for (const std::string& name : dir.list("out")) {
    if (name.size() < 3 || name.substr(name.size() - 3) != ".ps") continue;
    EXPECT_EQ(renderProblems(dir.file("out/" + name), dir.file(name + ".png")), "") << name;
    ++rendered;
  }
  EXPECT_GE(rendered, 12);
}

TEST(DemoRun, PatientsOnlyQueryOfTheSixSharers) {
  ScratchDir dir;
  const std::string analysis = relocatedAnalysisFile(dir, "analysis_patients_only.txt");
  RunResult r = runProgram({VELMORA_BIN, analysis}, "5\n1 2 3 4 5 6\n\n", VELMORA_SOURCE_DIR);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string base = "out/HH_RCHHsSharedBy006_st001_st002_st003_st004_st005_st006";
  ASSERT_TRUE(dir.exists(base + ".txt")) << r.err;
  // The query finds exactly the stretch of the six-fold list of the pass.
  EXPECT_EQ(dir.read(base + ".txt"), dir.read("out/HH_006_FoldOverlaps_PatientPool.txt"));
  EXPECT_FALSE(dir.exists("out/HH_P_Value_PatientPool_vs_ControlPool.txt"));
  EXPECT_FALSE(dir.exists("out/HH_Representative_PatientPool.txt"));
  if (ghostscriptPresent()) {
    EXPECT_EQ(renderProblems(dir.file(base + ".ps"), dir.file("query.png")), "");
  }
}

}  // namespace
