// velmora-report never loses a finished report and never lets its inputs
// forge its outputs: failed, killed and size-limited runs leave the earlier
// report byte for byte, their leftovers are cleared by the next run, edited
// reports and busy directories are refused, and paths, names and values that
// could break the page or the manifest are refused before anything is written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "common/cohort.h"
#include "common/harness.h"
#include "report_tool/report_run.h"

namespace fs = std::filesystem;

namespace {

// Every file under `dir` with its bytes, by relative path.
std::map<std::string, std::string> snapshot(const ScratchDir& scratch, const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(scratch.file(dir))) {
    if (!e.is_regular_file()) continue;
    std::string relative = fs::relative(e.path(), scratch.file(dir)).generic_string();
    files[relative] = scratch.read(dir + "/" + relative);
  }
  return files;
}

// Entries of the scratch directory that a run left beside its report.
std::vector<std::string> stagingLeftovers(const ScratchDir& scratch) {
  std::vector<std::string> found;
  for (const std::string& name : scratch.list()) {
    if (name.find(".velmora-report-") != std::string::npos) found.push_back(name);
  }
  return found;
}

Cohort smallCohort(const ScratchDir& dir, int controls) {
  CohortPlan plan;
  plan.autosomes = 3;
  plan.snpsPerChromosome = 60;
  plan.cMPerSnp = 0.5;
  plan.patients = 6;
  plan.sharers = 4;
  plan.controls = controls;
  plan.plantedFirst = 10;
  plan.plantedLast = 55;
  return writeCohort(dir, plan);
}

TEST(ReportSafety, EarlierReportSurvivesFailedKilledAndLimitedRuns) {
  ScratchDir dir;
  Cohort cohort = smallCohort(dir, 6);
  const std::string out = dir.file("rep");
  RunResult r = report({cohort.analysisFile, "--cutoff", "8", "--out", out});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::map<std::string, std::string> before = snapshot(dir, "rep");
  ASSERT_TRUE(before.count("report.html"));
  // Every checksum of the manifest, whether taken while the file was scanned,
  // as it was written or by reading it, is the file's own.
  int rows = 0;
  for (const std::string& line : linesOf(before.at("manifest.tsv"))) {
    std::vector<std::string> f;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) f.push_back(field);
    if (f[0] != "input" && f[0] != "file") continue;
    std::string path = f[0] == "input" ? f[1] : out + "/" + f[1];
    RunResult sum = runProgram({"/usr/bin/sha256sum", path}, "");
    EXPECT_EQ(sum.out.substr(0, 64), f[3]) << line;
    EXPECT_EQ(f[2], std::to_string(fs::file_size(path))) << line;
    ++rows;
  }
  EXPECT_GT(rows, 12 + 5);  // the analysis file, annotation, 12 subjects, the report's files
  EXPECT_TRUE(stagingLeftovers(dir).empty());

  // velmora's load stops (no SNP in the target area): a refusal before
  // anything is written, the earlier report as it was, nothing left over.
  dir.write("target.txt", "9\t1\t2\n");
  std::string targeted = dir.read("analysis.txt");
  targeted.replace(targeted.find("::patient pool"), 14,
                   "::target area file\n" + dir.file("target.txt") + "\n::patient pool");
  dir.write("targeted.txt", targeted);
  r = report({dir.file("targeted.txt"), "--cutoff", "8", "--out", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("ERROR: velmora cannot load the inputs: There are no regions"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(snapshot(dir, "rep"), before);
  EXPECT_TRUE(stagingLeftovers(dir).empty());

  // Killed during the relabellings, and stopped by a file-size limit: the
  // same report, byte for byte.
  {
    StartedProgram killed({VELMORA_REPORT_BIN, cohort.analysisFile, "--cutoff", "8", "--out", out,
                           "--permutations", "10000000", "--threads", "1"});
    ASSERT_TRUE(killed.waitForError("relabellings of patients and controls"));
    killed.sendSignal(SIGKILL);
    killed.wait();
  }
  EXPECT_EQ(snapshot(dir, "rep"), before);
  EXPECT_EQ(stagingLeftovers(dir).size(), 1u);
  // A file-size limit stops velmora's run: its log waits beside the
  // earlier report, and the error says where.
  r = runProgram({"/bin/sh", "-c", "ulimit -f 8; exec \"$0\" \"$@\"", VELMORA_REPORT_BIN,
                  cohort.analysisFile, "--cutoff", "8", "--out", out},
                 "");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("ERROR: velmora stopped: Failed to write"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("is kept as it was; this run's logs are in"), std::string::npos) << r.err;
  EXPECT_EQ(snapshot(dir, "rep"), before);
  std::vector<std::string> left = stagingLeftovers(dir);
  ASSERT_EQ(left.size(), 1u);  // the killed run's leftover went at this run's start
  EXPECT_TRUE(dir.exists(left[0] + "/velmora.log"));

  // The next run clears every leftover and replaces the report.
  r = report({cohort.analysisFile, "--cutoff", "8", "--out", out});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(stagingLeftovers(dir).empty());
  EXPECT_EQ(snapshot(dir, "rep").at("regions.tsv"), before.at("regions.tsv"));

  // What an interrupted run of an earlier version left (its working files,
  // no manifest) is recognised and replaced too, while a folder that merely
  // holds an analysis.txt of the user's is not.
  fs::create_directories(dir.file("old/run"));
  dir.write("old/velmora.log", "velmora was interrupted\n");
  dir.write("old/run/HH_FoldOverlap_Summary_PatientPool.txt", "partial");
  dir.write("old/analysis.txt", "::output directory\n" + dir.file("old") + "/run/\n");
  r = report({cohort.analysisFile, "--cutoff", "8", "--out", dir.file("old")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(snapshot(dir, "old").at("regions.tsv"), before.at("regions.tsv"));
  dir.write("mine/analysis.txt", "::output directory\nelsewhere/\n");
  dir.write("mine/velmora.log", "my own notes\n");
  r = report({cohort.analysisFile, "--cutoff", "8", "--out", dir.file("mine")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("holds no velmora-report manifest"), std::string::npos) << r.err;
  EXPECT_EQ(dir.read("mine/velmora.log"), "my own notes\n");
}

TEST(ReportSafety, EditedReportsAndBusyDirectoriesAreRefused) {
  ScratchDir dir;
  Cohort cohort = smallCohort(dir, 0);
  const std::string out = dir.file("rep");
  ASSERT_EQ(report({cohort.analysisFile, "--cutoff", "8", "--out", out}).status, 0);

  // An edited file and an added one: both named, nothing touched.
  std::string regions = dir.read("rep/regions.tsv") + "my note\n";
  dir.write("rep/regions.tsv", regions);
  dir.write("rep/tracks/mine.bed", "chr1\t0\t10\n");
  const std::map<std::string, std::string> edited = snapshot(dir, "rep");
  RunResult r = report({cohort.analysisFile, "--cutoff", "8", "--out", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("regions.tsv (edited)"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("tracks/mine.bed (not in its manifest)"), std::string::npos) << r.err;
  EXPECT_EQ(snapshot(dir, "rep"), edited);
  EXPECT_TRUE(stagingLeftovers(dir).empty());

  // Another run holds the directory: refused at once, saying so.
  fs::create_directory(dir.file("busy"));
  int fd = ::open(dir.file("busy").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  r = report({cohort.analysisFile, "--cutoff", "8", "--out", dir.file("busy")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("is in use by another velmora-report run"), std::string::npos) << r.err;
  EXPECT_TRUE(dir.list("busy").empty());
  ::close(fd);
  r = report({cohort.analysisFile, "--cutoff", "8", "--out", dir.file("busy")});
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST(ReportSafety, PathsNamesAndValuesThatCouldForgeOutputAreRefused) {
  ScratchDir dir;
  Cohort cohort = smallCohort(dir, 0);
  auto refused = [&](const std::vector<std::string>& args, const std::string& message) {
    const std::vector<std::string> entries = dir.list();
    RunResult r = report(args);
    EXPECT_EQ(r.status, 1) << message;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_EQ(dir.list(), entries) << message;  // nothing written anywhere
  };
  // Control characters, wherever a path or name comes from.
  refused({cohort.analysisFile, "--cutoff", "8", "--out", dir.file("r\nx")},
          "--out holds a line break (LF)");
  refused({cohort.analysisFile, "--cutoff", "8", "--out", dir.file("rep"), "--genes",
           dir.file("g\nfile notes.txt")},
          "--genes holds a line break (LF)");
  refused({cohort.analysisFile, "--cutoff", "8", "--out", dir.file("rep"), "--query", "p01\x7f"},
          "--query holds the control character 0x7f");
  std::string analysis = dir.read("analysis.txt");
  std::string tabbed = analysis;
  const std::string p2 = dir.file("p02.txt");
  tabbed.replace(tabbed.find(p2), p2.size(), dir.file("p\t02.txt"));
  dir.write("tabbed.txt", tabbed);
  refused({dir.file("tabbed.txt"), "--cutoff", "8", "--out", dir.file("rep")},
          "the path of patient 2 holds a tab");

  // Two subjects with one sample name: both paths named.
  fs::create_directories(dir.file("dup/a"));
  fs::create_directories(dir.file("dup/b"));
  fs::copy_file(dir.file("p01.txt"), dir.file("dup/a/p01.txt"));
  fs::copy_file(dir.file("p02.txt"), dir.file("dup/b/p01.txt"));
  std::string twice = analysis;
  twice.replace(twice.find(dir.file("p01.txt")), dir.file("p01.txt").size(),
                dir.file("dup/a/p01.txt"));
  twice.replace(twice.find(p2), p2.size(), dir.file("dup/b/p01.txt"));
  dir.write("twice.txt", twice);
  refused({dir.file("twice.txt"), "--cutoff", "8", "--out", dir.file("rep")},
          dir.file("dup/a/p01.txt") + " (patient 1) and " + dir.file("dup/b/p01.txt") +
              " (patient 2) have one sample name, p01");

  // A cutoff beyond every chromosome is refused; a map value of 62 digits
  // still gives a page whose data is valid JSON, under a policy that admits
  // only the page's own script.
  refused({cohort.analysisFile, "--cutoff", "5e61", "--out", dir.file("new/deeper/rep")},
          "is longer than any analysed chromosome");
  std::vector<std::string> annotation = linesOf(dir.read("annotation.txt"));
  std::string huge;
  for (size_t i = 0; i < annotation.size(); ++i) {
    std::string line = annotation[i];
    if (i + 1 < annotation.size() && annotation[i + 1].substr(0, 2) == "3\t" &&
        line.substr(0, 2) == "2\t") {
      line = line.substr(0, line.rfind('\t') + 1) + std::string(62, '9');
    }
    huge += line + "\n";
  }
  dir.write("annotation.txt", huge);
  RunResult r = report({cohort.analysisFile, "--cutoff", "8", "--out", dir.file("rep")});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string html = dir.read("rep/report.html");
  const std::string open = "<script type=\"application/json\" id=\"report-data\">";
  size_t from = html.find(open);
  ASSERT_NE(from, std::string::npos);
  from += open.size();
  nlohmann::json data =
      nlohmann::json::parse(html.substr(from, html.find("</script>", from) - from));
  EXPECT_GT(data["genome"][1]["lastCm"].get<double>(), 9e61);
  EXPECT_NE(html.find("script-src 'sha256-"), std::string::npos);
  EXPECT_EQ(html.find("script-src 'unsafe-inline'"), std::string::npos);
}

// The finished report takes DIR's place by a rename, which cannot cross file
// systems: a DIR that is a mount point is refused before the run, not after.
TEST(ReportSafety, MountPointIsRefusedBeforeTheRun) {
  ScratchDir dir;
  Cohort cohort = smallCohort(dir, 0);
  fs::create_directory(dir.file("mounted"));
  if (std::system(("mount -t tmpfs tmpfs " + dir.file("mounted") + " 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "no tmpfs can be mounted here";
  RunResult r = report({cohort.analysisFile, "--cutoff", "8", "--out", dir.file("mounted")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("is a mount point"), std::string::npos) << r.err;
  EXPECT_TRUE(stagingLeftovers(dir).empty());
  EXPECT_TRUE(dir.list("mounted").empty());
  EXPECT_EQ(std::system(("umount " + dir.file("mounted")).c_str()), 0);
}

}  // namespace
