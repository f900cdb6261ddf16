// The cover counts and levels the report takes from the run as data, against
// the fold-overlap summary files velmora writes from the same counts: every
// number of every row the same, in both pools, on several random cohorts.
#include "cover_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "common/cohort.h"
#include "core/velmora_core.h"

namespace {

class CoverOnly : public RunListener {
 public:
  explicit CoverOnly(CoverTable& cover) : cover_(cover) {}
  void passBegins(int pool, bool representative) override { pool_ = representative ? -1 : pool; }
  void slotCounted(int pool, int n, int slot) override {
    if (pool == pool_) cover_.takeSlot(pool, n, slot);
  }

 private:
  CoverTable& cover_;
  int pool_ = -1;
};

// A count or level as the summary prints it: "(3)" outside the analysis regions.
int number(const std::string& field, bool& outside) {
  outside = !field.empty() && field[0] == '(';
  return std::stoi(outside ? field.substr(1) : field);
}

TEST(CoverTable, EqualsVelmorasSummaryFilesRowForRow) {
  for (uint32_t seed = 1; seed <= 3; ++seed) {
    ScratchDir dir;
    CohortPlan plan;
    plan.autosomes = 4;
    plan.snpsPerChromosome = 70;
    plan.cMPerSnp = 0.4;
    plan.patients = 7;
    plan.controls = 5;
    plan.sharers = 4;
    plan.seed = seed;
    Cohort cohort = writeCohort(dir, plan);
    // An excluded area (its first and last SNP, "chromosome bp cM"), so that
    // some rows are outside the analysis regions.
    std::vector<std::string> second;
    for (const std::string& line : linesOf(dir.read("annotation.txt"))) {
      if (line.rfind("2\t", 0) == 0) second.push_back(line);
    }
    std::string area;
    for (size_t at : {10, 30}) {
      std::vector<std::string> f;
      std::stringstream in(second[at]);
      for (std::string x; std::getline(in, x, '\t');) f.push_back(x);
      area += "2 " + f[1] + " " + f[4] + "\n";
    }
    dir.write("excluded.txt", area);
    std::string analysis = dir.read("analysis.txt");
    analysis.replace(analysis.find("::excluded area file\n"), 21,
                     "::excluded area file\n" + dir.file("excluded.txt") + "\n");
    dir.write("analysis.txt", analysis);

    core::unloadCohort();
    core::loadAnalysisCohort(cohort.analysisFile);
    CoverTable cover;
    cover.start();
    CoverOnly listener(cover);
    core::runLoadedAnalysis(cohort.outputDir, 3.0, &listener, nullptr);
    core::unloadCohort();

    int outsideRows = 0;
    for (int pool = 0; pool < 2; ++pool) {
      const PoolCover& counted = cover.pools[pool];
      ASSERT_EQ(counted.subjects, pool == 0 ? plan.patients : plan.controls);
      std::vector<std::string> lines =
          linesOf(dir.read(std::string("out/HH_FoldOverlap_Summary_") +
                           (pool == 0 ? "PatientPool" : "ControlPool") + ".txt"));
      ASSERT_EQ(lines.size(), cover.rows.size() + 1);  // the header
      for (size_t row = 0; row < cover.rows.size(); ++row) {
        std::vector<std::string> f;
        std::stringstream in(lines[row + 1]);
        for (std::string x; std::getline(in, x, '\t');) f.push_back(x);
        ASSERT_EQ(f.size(), static_cast<size_t>(5 + counted.subjects + 2));
        EXPECT_EQ(std::stoi(f[0]), cover.rows[row].chromosome);
        EXPECT_EQ(std::stol(f[1]), cover.rows[row].bp);
        EXPECT_EQ(std::stod(f[2]), cover.rows[row].cM);
        bool outside = false;
        for (int s = 0; s < counted.subjects; ++s) {
          EXPECT_EQ(number(f[5 + static_cast<size_t>(s)], outside), counted.count(s, row))
              << "seed " << seed << " pool " << pool << " row " << row << " subject " << s;
        }
        EXPECT_EQ(number(f[5 + static_cast<size_t>(counted.subjects)], outside),
                  counted.level[row]);
        EXPECT_EQ(outside, !cover.rows[row].inRegion);
        outsideRows += outside;
      }
      // The lowest count over a stretch is the smallest of its rows' counts.
      for (int s = 0; s < counted.subjects; ++s) {
        int low = 1 << 30;
        for (size_t row = 60; row < 140; ++row) low = std::min(low, counted.count(s, row));
        EXPECT_EQ(counted.lowest(s, 60, 139), low);
      }
    }
    EXPECT_GT(outsideRows, 0);
  }
}

}  // namespace
