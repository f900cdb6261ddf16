// velmora-report end to end: the refusals and warnings of its checks, the
// report directory rules, regions.tsv against an independent reading of
// velmora's own lists, the manifest, and the page in headless Chromium.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "common/cohort.h"
#include "common/harness.h"
#include "report_tool/report_run.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> filesUnder(const std::string& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (e.is_regular_file()) out.push_back(fs::relative(e.path(), dir).generic_string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The best p-value segments read straight from velmora's list: the highest
// -log10 p and the start/end positions of the segments that carry it.
struct Best {
  double value = 0;
  int chromosome = 0;
  long first = 0, last = 0;
};
Best bestSegment(const std::string& list, int valueColumn) {
  Best best;
  std::vector<std::string> start;
  for (const std::string& line : linesOf(list)) {
    std::vector<std::string> f = fields(line);
    if (f.size() < 6) continue;
    if (f.back() == "start") {
      start = f;
      continue;
    }
    double v = std::stod(start[valueColumn]);
    if (v > best.value) best = {v, std::stoi(start[0]), std::stol(start[1]), std::stol(f[1])};
  }
  return best;
}

// Checks a finished report made with --strict and --velmora-files: manifest
// lists exactly the files, regions.tsv has its header and the top row
// matches velmora's list.
void checkReport(const std::string& dir, bool withControls) {
  ScratchDir none;
  std::ifstream m(dir + "/manifest.tsv");
  std::string line;
  std::set<std::string> listed;
  bool complete = false;
  while (std::getline(m, line)) {
    if (line.rfind("file\t", 0) == 0) listed.insert(fields(line)[1]);
    if (line == "status\tcomplete") complete = true;
  }
  EXPECT_TRUE(complete);
  std::vector<std::string> present = filesUnder(dir);
  present.erase(std::find(present.begin(), present.end(), "manifest.tsv"));
  EXPECT_EQ(std::vector<std::string>(listed.begin(), listed.end()), present);
  for (const char* f : {"regions.tsv", "pairs.tsv", "report.html", "velmora.log", "analysis.txt"}) {
    EXPECT_TRUE(listed.count(f)) << f;
  }
  EXPECT_TRUE(std::any_of(listed.begin(), listed.end(),
                          [](const std::string& f) { return f.rfind("tracks/", 0) == 0; }));

  std::ifstream r(dir + "/regions.tsv");
  std::getline(r, line);
  EXPECT_EQ(line,
            "rank\tchrom\tstart_bp\tend_bp\tstart_cM\tend_cM\tlength_cM\tsnps\tpatients_"
            "sharing\tpatients\t"
            "controls_sharing\tminus_log10_p\tcomparison\tadjusted_p\tgenes\tcore_start_bp\t"
            "core_end_bp\textent_start_bp\textent_end_bp\tcore_genes\ttolerated_discordant");
  ASSERT_TRUE(std::getline(r, line));
  std::vector<std::string> top = fields(line);
  ASSERT_EQ(top.size(), 21u);
  EXPECT_EQ(top[20], "NA");  // velmora's strict rule tolerates nothing
  EXPECT_EQ(top[0], "1");
  // The core holds the region, the extent the core.
  EXPECT_LE(std::stol(top[17]), std::stol(top[15]));
  EXPECT_LE(std::stol(top[15]), std::stol(top[2]));
  EXPECT_GE(std::stol(top[16]), std::stol(top[3]));
  EXPECT_GE(std::stol(top[18]), std::stol(top[16]));
  auto listText = [&](const std::string& name) {
    std::ifstream in(dir + "/run/" + name);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  Best best = bestSegment(listText(withControls ? "HH_P_Value_PatientPool_vs_ControlPool.txt"
                                                : "HH_NoStSharingRCHHs_PatientPool.txt"),
                          4);
  if (withControls) {
    // The best region comes from whichever comparison reaches further; the
    // pools' own levels win a tie.
    Best other =
        bestSegment(listText("HH_P_Value_Using_Representative_PatientPool_vs_ControlPool.txt"), 4);
    EXPECT_EQ(top[12], other.value > best.value ? "representative" : "pools");
    if (other.value > best.value) best = other;
  } else {
    EXPECT_EQ(top[12], "NA");
    EXPECT_EQ(top[13], "NA");
  }
  EXPECT_EQ(std::stoi(top[1]), best.chromosome);
  if (top[12] == "representative") {
    // A region takes the representative value of any segment it overlaps.
    EXPECT_LE(std::stol(top[2]), best.last);
    EXPECT_GE(std::stol(top[3]), best.first);
  } else {  // the region holds the best segment
    EXPECT_LE(std::stol(top[2]), best.first);
    EXPECT_GE(std::stol(top[3]), best.last);
  }
  if (withControls) {
    EXPECT_NEAR(std::stod(top[11]), best.value, 1e-6);
  } else {
    EXPECT_EQ(top[10], "NA");
    EXPECT_EQ(top[11], "NA");
    EXPECT_LE(std::stoi(top[8]), static_cast<int>(best.value));
  }
  EXPECT_NEAR(std::stod(top[6]), std::stod(top[5]) - std::stod(top[4]), 1e-5);
}

TEST(ReportTool, DemoWithControlsAndGenesOpensInChromium) {
  ScratchDir dir;
  std::string out = dir.file("report");
  RunResult r = report({"examples/demo/analysis_with_controls.txt", "--cutoff", "5", "--out", out,
                        "--genes", "examples/demo/genes.bed", "--velmora-files", "--strict"});
  ASSERT_EQ(r.status, 0) << r.err;
  checkReport(out, true);
  std::vector<std::string> top = fields(linesOf(dir.read("report/regions.tsv"))[1]);
  // The demo's planted stretch: chromosome 7, all six patients, no control.
  EXPECT_EQ(top[1], "7");
  EXPECT_EQ(top[9], "p01,p02,p03,p04,p05,p06");
  EXPECT_EQ(top[10], "0");
  EXPECT_NE(top[14].find("PMS2"), std::string::npos);
  // The six patients' shared stretches run on past the region's edge: ACTB
  // lies in its extent, outside its core.
  EXPECT_NE(top[14].find("ACTB"), std::string::npos) << top[14];
  EXPECT_EQ(top[19].find("ACTB"), std::string::npos) << top[19];
  EXPECT_NE(top[19].find("PMS2"), std::string::npos) << top[19];
  std::vector<std::string> pairs = linesOf(dir.read("report/pairs.tsv"));
  EXPECT_EQ(pairs.size(), 1u + 15 + 15);
  EXPECT_EQ(pairs[1].substr(0, 24), "patients\t1\t2\tp01\tp02\t5.0");

  // An earlier report is replaced whole; a foreign file makes DIR refused
  // untouched. Without --velmora-files velmora writes only the lists the
  // report reads: the same tables, and the same tracks of those lists.
  const std::string regions = dir.read("report/regions.tsv"),
                    pairsText = dir.read("report/pairs.tsv");
  const std::string pTrack = dir.read("report/tracks/HH_P_Value_PatientPool_vs_ControlPool.bed");
  r = report({"examples/demo/analysis_with_controls.txt", "--cutoff", "5", "--out", out, "--genes",
              "examples/demo/genes.bed", "--strict"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read("report/regions.tsv"), regions);
  EXPECT_EQ(dir.read("report/pairs.tsv"), pairsText);
  EXPECT_EQ(dir.read("report/tracks/HH_P_Value_PatientPool_vs_ControlPool.bed"), pTrack);
  EXPECT_FALSE(dir.exists("report/run"));
  EXPECT_FALSE(dir.exists("report/tracks/HH_002_FoldOverlaps_PatientPool.bed"));
  dir.write("report/notes.txt", "mine");
  r = report({"examples/demo/analysis_with_controls.txt", "--cutoff", "5", "--out", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("ERROR: --out"), std::string::npos) << r.err;
  EXPECT_EQ(dir.read("report/notes.txt"), "mine");
  EXPECT_TRUE(dir.exists("report/regions.tsv"));

  if (system("command -v chromium > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "chromium is not installed";
  RunResult page = runProgram({"/usr/bin/chromium", "--headless", "--no-sandbox", "--disable-gpu",
                               "--enable-logging=stderr", "--v=0", "--virtual-time-budget=5000",
                               "--dump-dom", "file://" + out + "/report.html#region=1"},
                              "");
  ASSERT_EQ(page.status, 0) << page.err;
  EXPECT_NE(page.out.find("data-ready=\"yes\""), std::string::npos);
  EXPECT_NE(page.out.find("<pre id=\"page-errors\" hidden=\"\"></pre>"), std::string::npos);
  EXPECT_EQ(page.err.find("Uncaught"), std::string::npos) << page.err;
  // The region view of rank 1, opened through the page's click handler.
  EXPECT_NE(page.out.find("id=\"region-view\" data-rank=\"1\""), std::string::npos);
  EXPECT_NE(page.out.find("Region 1: chr7:" + top[2] + "-" + top[3]), std::string::npos);
  EXPECT_NE(page.out.find("<strong>PMS2</strong>"), std::string::npos);
  EXPECT_NE(page.out.find("omim.org/search?search=PMS2"), std::string::npos);
}

TEST(ReportTool, PlantedLocusRanksFirstWithoutControlsAndQueriesAreAnswered) {
  ScratchDir dir;
  CohortPlan plan;
  plan.autosomes = 3;
  plan.snpsPerChromosome = 60;
  plan.cMPerSnp = 0.5;
  plan.patients = 5;
  plan.sharers = 3;
  plan.plantedChromosome = 2;
  plan.plantedFirst = 10;
  plan.plantedLast = 55;
  Cohort cohort = writeCohort(dir, plan);
  std::string out = dir.file("rep");
  RunResult r = report({cohort.analysisFile, "--cutoff", "12", "--out", out, "--query",
                        "p01,p02,p03", "--query", "p04 , p05", "--velmora-files", "--strict"});
  ASSERT_EQ(r.status, 0) << r.err;
  checkReport(out, false);
  std::vector<std::string> top = fields(linesOf(dir.read("rep/regions.tsv"))[1]);
  EXPECT_EQ(top[1], "2");
  EXPECT_EQ(top[9], "p01,p02,p03");
  EXPECT_EQ(top[14], "NA");
  std::string html = dir.read("rep/report.html");
  EXPECT_NE(html.find("\"names\":[\"p01\",\"p02\",\"p03\"],\"list\":\"run/"
                      "HH_RCHHsSharedBy003_st001_st002_st003.txt\""),
            std::string::npos);
}

TEST(ReportTool, ChecksRefuseBeforeWritingAndWarnAfter) {
  ScratchDir dir;
  CohortPlan plan;
  plan.patients = 3;
  Cohort cohort = writeCohort(dir, plan);
  std::string analysis = dir.read("analysis.txt");
  auto refused = [&](const std::vector<std::string>& extra, const std::string& analysisText,
                     const std::string& message) {
    dir.write("a.txt", analysisText);
    std::vector<std::string> args{dir.file("a.txt"), "--out", dir.file("never")};
    args.insert(args.end(), extra.begin(), extra.end());
    RunResult r = report(args);
    EXPECT_EQ(r.status, 1) << message;
    EXPECT_NE(r.err.find("ERROR: "), std::string::npos);
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_FALSE(dir.exists("never"));
  };
  for (const char* cutoff : {"", "abc", "nan", "inf", "1,5", "0", "-2", "5cM"}) {
    refused({"--cutoff", cutoff}, analysis, "cutoff");
  }
  std::string p1 = dir.file("p01.txt");
  std::string twice = analysis;
  twice.replace(twice.find("::control pool"), 14, "::control pool\n" + p1);
  refused({"--cutoff", "2"}, twice, "listed twice, as patient 1 and as control 1, in both pools");
  fs::create_symlink(p1, dir.file("same.txt"));
  std::string linked = analysis;
  linked.replace(linked.find(p1), p1.size(), p1 + "\n" + dir.file("same.txt"));
  refused({"--cutoff", "2"}, linked,
          "and as patient 2: a subject would share its whole HH with itself");
  fs::create_directory(dir.file("folder"));
  std::string folder = analysis;
  folder.replace(folder.find(p1), p1.size(), dir.file("folder"));
  refused({"--cutoff", "2"}, folder, "is not a regular file");
  refused({"--cutoff", "2", "--query", "p01,p09"}, analysis, "p09 is no patient's sample name");

  // velmora's load stops (no SNP in the target area): its message is shown,
  // and as the load comes before anything is written, nothing is.
  dir.write("target.txt", "9\t1\t2\n");
  std::string targeted = analysis;
  targeted.replace(targeted.find("::patient pool"), 14,
                   "::target area file\n" + dir.file("target.txt") + "\n::patient pool");
  refused({"--cutoff", "2"}, targeted, "velmora cannot load the inputs: There are no regions");

  // Warnings: a map in Morgans, scientific
  // notation, a first line that flips the layout, lower-case calls.
  std::string annotation = dir.read("annotation.txt");
  std::string morgans;
  for (const std::string& l : linesOf(annotation)) {
    std::vector<std::string> f = fields(l);
    f[1] = std::to_string(std::stol(f[1]) * 100);
    f[4] = std::to_string(std::stod(f[4]) / 100);
    std::string joined;
    for (const std::string& x : f) joined += (joined.empty() ? "" : "\t") + x;
    morgans += joined + "\n";
  }
  morgans.replace(morgans.find('\t') + 1,
                  morgans.find('\t', morgans.find('\t') + 1) - morgans.find('\t') - 1, "2.0e+04");
  dir.write("annotation.txt", morgans);
  std::string p2 = dir.read("p02.txt");
  dir.write("p02.txt", "\n" + p2);
  std::string p3 = dir.read("p03.txt");
  for (size_t at; (at = p3.find("\tAA")) != std::string::npos;) p3.replace(at, 3, "\taa");
  dir.write("p03.txt", p3);
  RunResult r = report({cohort.analysisFile, "--cutoff", "0.01", "--out", dir.file("warned")});
  for (const char* w : {"in Morgans", "not a plain number", "first line of p02",
                        "only by case (velmora counts them as no-calls): p03"}) {
    EXPECT_NE(r.err.find(w), std::string::npos) << w << "\n" << r.err;
  }
  if (r.status == 0) {
    std::string html = dir.read("warned/report.html");
    EXPECT_NE(html.find("in Morgans"), std::string::npos);
  }
}

// Straight from a VCF (velmora-import's options and defaults), the report is
// the one an import and a report of its analysis file give, with no
// genotyping file written; velmora's files are left out unless asked for.
TEST(ReportTool, StraightFromVcfEqualsImportThenReport) {
  ScratchDir dir;
  const std::vector<std::string> source{"--vcf",      "examples/demo_vcf/demo.vcf.gz",
                                        "--map",      "examples/demo_vcf/genetic_map.txt",
                                        "--patients", "examples/demo_vcf/patients.txt",
                                        "--controls", "examples/demo_vcf/controls.txt"};
  std::vector<std::string> direct = source;
  for (const char* a : {"--cutoff", "5", "--permutations", "20"}) direct.push_back(a);
  direct.push_back("--out");
  direct.push_back(dir.file("direct"));
  RunResult r = report(direct);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("SNPs kept"), std::string::npos) << r.err;  // the import's account

  std::vector<std::string> import{
      std::string(VELMORA_BIN).substr(0, std::string(VELMORA_BIN).rfind('/') + 1) +
      "velmora-import"};
  import.insert(import.end(), source.begin(), source.end());
  import.push_back("--out");
  import.push_back(dir.file("imported"));
  RunResult imported = runProgram(import, "", VELMORA_SOURCE_DIR);
  ASSERT_EQ(imported.status, 0) << imported.err;
  r = report({dir.file("imported/analysis.txt"), "--cutoff", "5", "--permutations", "20", "--out",
              dir.file("viaText")});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* f : {"regions.tsv", "pairs.tsv", "null_maxima.tsv"})
    EXPECT_EQ(dir.read(std::string("direct/") + f), dir.read(std::string("viaText/") + f)) << f;
  EXPECT_FALSE(dir.exists("direct/run"));
  EXPECT_FALSE(dir.exists("direct/genotypes"));
  const std::string manifest = dir.read("direct/manifest.tsv");
  EXPECT_NE(manifest.find("\tVCF\n"), std::string::npos) << manifest;
  EXPECT_NE(dir.read("direct/analysis.txt").find("no file below was written"), std::string::npos);
}

// The build the import noted flows into the page and the gene checks;
// --build overrides it; RefSeq accessions name chromosomes; a gene file of
// another naming is refused, genes past a chromosome's end in the build warn.
TEST(ReportTool, GenomeBuildsAndGeneFilesAreCheckedAgainstEachOther) {
  ScratchDir dir;
  CohortPlan plan;
  plan.patients = 4;
  Cohort cohort = writeCohort(dir, plan);
  dir.write("noted.txt", ": genome build GRCh37\n" + dir.read("analysis.txt"));
  // A gene on chromosome 2 by its accession, and one on 3 that ends past
  // 3's end in GRCh37 (198.02 Mb) but not in GRCh38 (198.30 Mb).
  dir.write("genes.bed", "NC_000002.12\t0\t900000\tACCGENE\nchr3\t198100000\t198200000\tLATE\n");
  RunResult r = report({dir.file("noted.txt"), "--cutoff", "2", "--out", dir.file("r37"), "--genes",
                        dir.file("genes.bed")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("WARNING: 1 genes of " + dir.file("genes.bed") +
                       " end beyond their chromosome in GRCh37 (the first, LATE"),
            std::string::npos)
      << r.err;
  const std::string page = dir.read("r37/report.html");
  EXPECT_NE(page.find("\"build\":\"hg19\""), std::string::npos);
  EXPECT_NE(page.find("GRCh37 (from the input; browser links use hg19)"), std::string::npos);
  EXPECT_NE(dir.read("r37/regions.tsv").find("ACCGENE"), std::string::npos);

  r = report({dir.file("noted.txt"), "--cutoff", "2", "--out", dir.file("r38"), "--genes",
              dir.file("genes.bed"), "--build", "hg38"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find("end beyond their chromosome"), std::string::npos) << r.err;
  EXPECT_NE(dir.read("r38/report.html").find("GRCh38 (from --build; browser links use hg38)"),
            std::string::npos);

  // Without a build told, GRCh38 is assumed and the page says so.
  r = report({cohort.analysisFile, "--cutoff", "2", "--out", dir.file("plain")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(dir.read("plain/report.html").find("GRCh38 (assumed"), std::string::npos);

  dir.write("scaffolds.bed", "NW_0001\t0\t100\tNOWHERE\nchrUn_x\t0\t100\tNOPE\n");
  r = report({cohort.analysisFile, "--cutoff", "2", "--out", dir.file("never"), "--genes",
              dir.file("scaffolds.bed")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("none of the 2 records of the gene file"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("the first names 'NW_0001'"), std::string::npos) << r.err;
  EXPECT_FALSE(dir.exists("never"));
}

}  // namespace

TEST(ReportTool, PermutationsCalibrateAFounderLocusReproducibly) {
  ScratchDir dir;
  CohortPlan plan;
  plan.autosomes = 3;
  plan.snpsPerChromosome = 60;
  plan.cMPerSnp = 0.5;
  plan.patients = 10;
  plan.sharers = 8;
  plan.controls = 10;
  plan.plantedChromosome = 2;
  plan.plantedFirst = 10;
  plan.plantedLast = 55;
  plan.seed = 7;
  Cohort cohort = writeCohort(dir, plan);
  const std::string out = dir.file("rep");
  RunResult r = report({cohort.analysisFile, "--cutoff", "8", "--out", out, "--permutations", "199",
                        "--threads", "2", "--velmora-files", "--strict"});
  ASSERT_EQ(r.status, 0) << r.err;
  checkReport(out, true);
  // velmora's files, kept with --velmora-files, are those velmora itself
  // writes for the same inputs and cutoff.
  RunResult velmora = runProgram({VELMORA_BIN, cohort.analysisFile}, "8\n");
  ASSERT_EQ(velmora.status, 0) << velmora.err;
  std::vector<std::string> kept;
  for (const std::string& f : filesUnder(out)) {
    if (f.rfind("run/", 0) == 0) kept.push_back(f.substr(4));
  }
  EXPECT_EQ(kept, filesUnder(dir.file("out")));
  for (const std::string& f : kept) EXPECT_EQ(dir.read("rep/run/" + f), dir.read("out/" + f)) << f;
  std::vector<std::string> rows = linesOf(dir.read("rep/regions.tsv"));
  std::vector<std::string> top = fields(rows[1]);
  EXPECT_EQ(top[1], "2");
  // Hardly a relabelling reaches the founder locus.
  EXPECT_LE(std::stod(top[13]), 0.01);
  std::vector<std::string> nulls = linesOf(dir.read("rep/null_maxima.tsv"));
  ASSERT_EQ(nulls.size(), 2u + 200);
  // Relabelling 0 is the run: its maximum is the best region's value.
  std::vector<std::string> observed = fields(nulls[2]);
  EXPECT_EQ(observed[0], "0");
  EXPECT_EQ(observed[3], top[11]);
  // Every region's adjusted p is the share of relabellings reaching its value.
  for (size_t i = 1; i < rows.size(); ++i) {
    std::vector<std::string> region = fields(rows[i]);
    int reached = 0;
    for (size_t k = 3; k < nulls.size(); ++k)
      reached += std::stod(fields(nulls[k])[3]) >= std::stod(region[11]);
    char expected[32];
    std::snprintf(expected, sizeof expected, "%f", (1.0 + reached) / 200.0);
    EXPECT_EQ(region[13], expected) << rows[i];
  }
  const std::string manifest = dir.read("rep/manifest.tsv");
  EXPECT_NE(manifest.find("setting\tpermutations\t199\n"), std::string::npos);
  EXPECT_NE(manifest.find("setting\tseed\t20261208\n"), std::string::npos);

  // The same inputs, count and seed on one thread give the same numbers; another seed other ones.
  const std::string again = dir.file("again");
  r = report({cohort.analysisFile, "--cutoff", "8", "--out", again, "--permutations", "199",
              "--threads", "1", "--seed", "20261208", "--strict"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read("again/null_maxima.tsv"), dir.read("rep/null_maxima.tsv"));
  EXPECT_EQ(dir.read("again/regions.tsv"), dir.read("rep/regions.tsv"));
  r = report({cohort.analysisFile, "--cutoff", "8", "--out", dir.file("other"), "--permutations",
              "199", "--seed", "5", "--strict"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(dir.read("other/null_maxima.tsv"), dir.read("rep/null_maxima.tsv"));

  // Refusals, before anything is written.
  for (const std::vector<std::string>& bad : {std::vector<std::string>{"--permutations", "0"},
                                              {"--permutations", "1e3"},
                                              {"--permutations", "-5"},
                                              {"--seed", "3"},
                                              {"--permutations", "9", "--seed", "x"}}) {
    std::vector<std::string> args{cohort.analysisFile, "--cutoff", "8", "--out", dir.file("never")};
    args.insert(args.end(), bad.begin(), bad.end());
    r = report(args);
    EXPECT_EQ(r.status, 1) << bad[0] << " " << bad[1];
    EXPECT_NE(r.err.find("ERROR: "), std::string::npos);
  }
  EXPECT_FALSE(dir.exists("never"));

  if (system("command -v chromium > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "chromium is not installed";
  RunResult page = runProgram(
      {"/usr/bin/chromium", "--headless", "--no-sandbox", "--disable-gpu",
       "--virtual-time-budget=5000", "--dump-dom", "file://" + out + "/report.html#region=1"},
      "");
  ASSERT_EQ(page.status, 0) << page.err;
  EXPECT_NE(page.out.find("<pre id=\"page-errors\" hidden=\"\"></pre>"), std::string::npos);
  EXPECT_NE(page.out.find("id=\"null-figure\""), std::string::npos);
  EXPECT_NE(page.out.find("relabellings of patients and controls (199, seed 20261208)"),
            std::string::npos);
  EXPECT_NE(page.out.find(top[13].substr(0, 6) + ": "), std::string::npos);
  EXPECT_NE(page.out.find(" of 199 relabellings reach −log10 p"), std::string::npos);
}
