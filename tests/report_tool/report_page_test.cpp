// The report page as a clinician opens it, in Debian's chromium driven by
// puppeteer-core (tests/browser/check_page.mjs): the answer first, on a
// report with a planted locus and on one of a cohort without any; every
// region a compact row at 1400 px; the genotype view of region 1; no
// sideways scrolling at 800 px; every plot named; no console error and no
// request leaving the page; the sharing rule's options refused. Also every
// companion program's --help and --version.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "base/version.h"
#include "common/cohort.h"
#include "common/harness.h"
#include "report_tool/report_run.h"

namespace {

const std::string kChecker = std::string(VELMORA_SOURCE_DIR) + "/tests/browser/check_page.mjs";

bool browserReady() {
  return system("command -v chromium > /dev/null 2>&1 && command -v node > /dev/null 2>&1") == 0 &&
         system(("test -d " + std::string(VELMORA_SOURCE_DIR) +
                 "/tests/browser/node_modules/puppeteer-core")
                    .c_str()) == 0;
}

nlohmann::json pageFacts(const std::string& html) {
  RunResult r = runProgram({"/usr/bin/env", "node", kChecker, html}, "");
  EXPECT_EQ(r.status, 0) << r.err;
  return nlohmann::json::parse(r.out);
}

// What holds for every page, whatever it found.
void expectReadablePage(const nlohmann::json& f) {
  EXPECT_EQ(f["ready"], "yes");
  EXPECT_TRUE(f["consoleErrors"].empty()) << f["consoleErrors"].dump();
  EXPECT_TRUE(f["leavingRequests"].empty()) << f["leavingRequests"].dump();
  EXPECT_EQ(f["rows"], f["regions"]);
  EXPECT_LE(f["tallestRow"].get<double>(), 80.0);
  EXPECT_TRUE(f["tableFits"].get<bool>());
  EXPECT_FALSE(f["sidewaysAt800"].get<bool>());
  EXPECT_TRUE(f["plotsWithoutLabel"].empty()) << f["plotsWithoutLabel"].dump();
  EXPECT_GE(f["plots"].get<int>(), 3);
  const std::string answer = f["answer"];
  EXPECT_NE(answer.find("adjusted p"), std::string::npos) << answer;
}

}  // namespace

TEST(ReportPage, AnswerTableGenotypesAndNarrowScreensInChromium) {
  ScratchDir dir;
  // A cohort without a locus, patients only, 99 null genomes: the terminal
  // and the page say nothing reaches significance, and the regions are
  // ranked by adjusted p.
  const Cohort cohort = writeCohort(dir, denseCohortWithErrors(0, 0, 9));
  RunResult r = report({cohort.analysisFile, "--cutoff", "2", "--out", dir.file("none"),
                        "--permutations", "99", "--threads", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string sentence = "No region reaches genome-wide significance (smallest adjusted p = ";
  EXPECT_NE(r.err.find(sentence), std::string::npos) << r.err;
  EXPECT_NE(dir.read("none/report.html").find(sentence), std::string::npos);
  double previous = 0;
  for (const std::string& line : linesOf(dir.read("none/regions.tsv"))) {
    if (line.rfind("rank", 0) == 0) continue;
    const double p = std::stod(fields(line)[13]);
    EXPECT_GE(p, previous) << line;
    previous = p;
  }
  // The sharing rule's options, refused before anything is written.
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--strict", "--tolerance", "1/20"},
        {"--tolerance", "0/20"},
        {"--tolerance", "1/64"},
        {"--tolerance", "1-20"},
        {"--tolerance", "1/"}}) {
    std::vector<std::string> args{cohort.analysisFile, "--cutoff", "2", "--out", dir.file("never")};
    args.insert(args.end(), bad.begin(), bad.end());
    r = report(args);
    EXPECT_EQ(r.status, 1) << bad[1];
    EXPECT_NE(r.err.find("ERROR: "), std::string::npos) << r.err;
  }
  EXPECT_FALSE(dir.exists("never"));

  // The demo's planted locus, with controls and 99 relabellings.
  RunResult found =
      report({"examples/demo/analysis_with_controls.txt", "--cutoff", "5", "--out",
              dir.file("found"), "--genes", "examples/demo/genes.bed", "--permutations", "99"});
  ASSERT_EQ(found.status, 0) << found.err;

  if (!browserReady()) GTEST_SKIP() << "chromium, node or tests/browser/node_modules is missing";
  nlohmann::json page = pageFacts(dir.file("found/report.html"));
  expectReadablePage(page);
  const std::string answer = page["answer"];
  EXPECT_EQ(answer.rfind("Best candidate: chr7:", 0), 0u) << answer;
  EXPECT_NE(answer.find("shared by 6 of 6 patients and 0 of 6 controls"), std::string::npos);
  // The terminal's last word is the page's first.
  EXPECT_NE(found.err.find("velmora-report: " + answer), std::string::npos) << found.err;
  EXPECT_GE(page["significantRows"].get<int>(), 1);
  // The genome view draws the value the table ranks by.
  EXPECT_NEAR(page["highest"].get<double>(), page["topRegionBest"].get<double>(), 1e-3);
  const std::string genotypes = page["genotypeLabel"];
  EXPECT_EQ(genotypes.rfind("Genotypes of 12 samples at ", 0), 0u) << genotypes;
  EXPECT_GT(page["genotypeCells"].get<int>(), 12);

  nlohmann::json none = pageFacts(dir.file("none/report.html"));
  expectReadablePage(none);
  const std::string nothing = none["answer"];
  EXPECT_EQ(nothing.rfind(sentence, 0), 0u) << nothing;
  EXPECT_EQ(none["significantRows"], 0);
}

// The demo's positions lie on GRCh38's chromosome 7 genes (its genes.bed was
// cut from them): told the build, the report names them without --genes and
// draws the build's cytobands; an assumed build brings neither.
TEST(ReportPage, AKnownBuildBringsItsGenesAndCytobands) {
  ScratchDir dir;
  RunResult r = report({"examples/demo/analysis_with_controls.txt", "--cutoff", "5", "--out",
                        dir.file("known"), "--build", "GRCh38"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> top = fields(linesOf(dir.read("known/regions.tsv"))[1]);
  EXPECT_NE(top[14].find("PMS2"), std::string::npos) << top[14];
  const std::string page = dir.read("known/report.html");
  EXPECT_NE(page.find("built in: GRCh38 genes of Ensembl 110"), std::string::npos);
  EXPECT_NE(page.find("\"cytobands\":true"), std::string::npos);
  EXPECT_NE(page.find("\"p36.33\",\"gneg\""), std::string::npos);

  r = report(
      {"examples/demo/analysis_with_controls.txt", "--cutoff", "5", "--out", dir.file("assumed")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(fields(linesOf(dir.read("assumed/regions.tsv"))[1])[14], "NA");
  EXPECT_NE(dir.read("assumed/report.html").find("\"cytobands\":false"), std::string::npos);
}

TEST(ReportPage, EveryCompanionProgramHasHelpAndVersion) {
  const std::string build =
      std::string(VELMORA_REPORT_BIN).substr(0, std::string(VELMORA_REPORT_BIN).rfind('/') + 1);
  const std::vector<std::string> programs{
      build + "velmora-report", build + "velmora-import", build + "velmora-export",
      build + "velmora-tracks",
      std::string(VELMORA_SOURCE_DIR) + "/tools/figures/render_figures.sh"};
  for (const std::string& program : programs) {
    SCOPED_TRACE(program);
    RunResult help = runProgram({program, "--help"}, "");
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_EQ(help.out.rfind("Usage: ", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("--version"), std::string::npos);
    RunResult version = runProgram({program, "--version"}, "");
    EXPECT_EQ(version.status, 0) << version.err;
    const std::string name = program.substr(program.rfind('/') + 1);
    // One version for all, the shell script's included.
    EXPECT_EQ(version.out, name + " " + kCompanionVersion + "\n");
  }
}
