// The significance scan on a small hand-built genome: pair keys, segments,
// -log10 p kept or rewritten, shades, legend, and the figure and list files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "genome/model.h"
#include "stats/significance_steps.h"
#include "stats/stats.h"

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

int countOf(const std::string& text, const std::string& piece) {
  int n = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
  return n;
}

class SignificanceScan : public testing::Test {
 protected:
  void SetUp() override {
    resetModel();
    char pattern[] = "/tmp/velmora_stats_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    settings.noTgPool[0] = 10;
    settings.noTgPool[1] = 10;
    settings.largeGap = kLargeGapDefault;
  }
  void TearDown() override {
    std::filesystem::remove_all(dir_);
    resetModel();
  }

  // Appends one SNP (chromosome number, bp) with its patient and control counts.
  void addSNP(int32_t chr, int64_t position, int32_t patients, int32_t controls) {
    SNPRecord r;
    r.chr = chr;
    r.position = position;
    r.genetMap = static_cast<double>(position) / 1e6;
    r.tableIndex = static_cast<int64_t>(genome.sumSNP.size());
    r.rsID = "rs" + std::to_string(r.tableIndex);
    r.overlapCount[0] = patients;
    r.overlapCount[1] = controls;
    genome.sumSNP.push_back(r);
  }

  // Chromosomes 1 and 2 and the X (3); one region per autosome and an empty one.
  //   chr1: 0 (0,0)  1 (3,1)  2 (3,1)  3 (3,2)  4 (0,0)  5 (0,4)
  //   chr2: 6 (5,0)  7 (5,0)  8 (5,0)  9 (1,0)
  //   chrX: 10 (4,4), in no region
  void buildTwoChromosomes() {
    const int32_t counts[][2] = {{0, 0}, {3, 1}, {3, 1}, {3, 2}, {0, 0}, {0, 4},
                                 {5, 0}, {5, 0}, {5, 0}, {1, 0}, {4, 4}};
    for (int i = 0; i < 11; ++i) {
      const int32_t chr = i < 6 ? 1 : (i < 10 ? 2 : 3);
      addSNP(chr, 1000 * (i + 1), counts[i][0], counts[i][1]);
    }
    genome.lastChromosome = 3;
    genome.chrPosition = {0, 6, 10, 11};
    genome.includeRegion[0] = {0, 5};
    genome.includeRegion[1] = {7, 6};  // empty, skipped everywhere
    genome.includeRegion[2] = {6, 9};
    genome.noRegions = 3;
  }

  std::string path(const char* name) const { return dir_ + "/" + name; }

  std::string dir_;
};

std::string listLine(const SNPRecord& r, const char* word) {
  char line[256];
  std::snprintf(line, sizeof line, "%d\t%ld\t%f\t%s\t%f\t%d\t%d\t%s\n", r.chr,
                static_cast<long>(r.position), r.genetMap, r.rsID.c_str(),
                static_cast<double>(r.minusLogP), r.overlapCount[0], r.overlapCount[1], word);
  return line;
}

TEST(SignificanceSteps, PairKeysAreUniqueWithinTheAllowedPools) {
  EXPECT_EQ(hhstats::pairKey(0, 0), 0);
  EXPECT_EQ(hhstats::pairKey(0, 4), 4);
  EXPECT_EQ(hhstats::pairKey(1, 0), 65536);
  EXPECT_EQ(hhstats::pairKey(3, 1), 3 * 65536 + 1);
  EXPECT_NE(hhstats::pairKey(3, 1), hhstats::pairKey(3, 2));
  EXPECT_NE(hhstats::pairKey(1, 0), hhstats::pairKey(0, 65535));
  EXPECT_EQ(hhstats::pairKey(32767, 65535), 2147483647);
  // Past the allowed pool sizes the 32-bit key wraps and is sign-extended.
  EXPECT_EQ(hhstats::pairKey(32768, 0), -2147483648LL);
}

TEST(SignificanceSteps, LegendForPositiveAndZeroMaximum) {
  ColourBarEntry legend[5];
  hhstats::fillLegend(2.5f, legend);
  for (int i = 0; i < 5; ++i) {
    const double t = 1 - 0.2 * i;
    EXPECT_NEAR(legend[i].label, 2.5 * t, 1e-15);
    EXPECT_NEAR(legend[i].shade, 1 - t * t * t, 1e-15);
  }
  EXPECT_EQ(legend[0].label, 2.5);

  hhstats::fillLegend(0.0f, legend);
  for (int i = 0; i < 5; ++i) {
    const double t = 1 - 0.2 * i;
    EXPECT_EQ(legend[i].label, 0.0);
    EXPECT_EQ(legend[i].shade, 1 - t * t * t);
    EXPECT_FALSE(std::isnan(legend[i].shade));
  }
  EXPECT_EQ(legend[0].shade, 0.0);
}

TEST_F(SignificanceScan, SegmentsPValuesShadesAndFiles) {
  buildTwoChromosomes();
  genome.sumSNP[2].minusLogP = 7.0f;   // ends a segment now: rewritten
  genome.sumSNP[4].minusLogP = 1.25f;  // in no segment now: kept
  genome.sumSNP[7].minusLogP = 9.5f;   // inside a segment now: kept, and the maximum
  genome.sumSNP[10].foldOverlap[enum_significance] = 77;

  significance(path("p.ps"), path("p.txt"));
  const std::vector<SNPRecord>& s = genome.sumSNP;

  const int64_t keys[] = {0, 196609, 196609, 196610, 0, 4, 327680, 327680, 327680, 65536};
  for (int j = 0; j < 10; ++j) EXPECT_EQ(s[j].foldOverlap[enum_significance], keys[j]) << j;
  EXPECT_EQ(s[10].foldOverlap[enum_significance], 77);

  // (3,1) and (3,2) are adjacent but separate; control-only (0,4) is a segment.
  const int starts[] = {0, 1, 0, 1, 0, 1, 1, 0, 0, 1};
  const int ends[] = {0, 0, 1, 1, 0, 1, 0, 0, 1, 1};
  for (int j = 0; j < 10; ++j) {
    EXPECT_EQ(s[j].startFlag, starts[j]) << j;
    EXPECT_EQ(s[j].endFlag, ends[j]) << j;
  }

  auto mlp = [](int sP, int sC) { return hhstats::minusLog10(hhstats::p_value(10, 10, sP, sC)); };
  EXPECT_EQ(s[0].minusLogP, 0.0f);
  EXPECT_EQ(s[1].minusLogP, mlp(3, 1));
  EXPECT_EQ(s[2].minusLogP, mlp(3, 1));
  EXPECT_EQ(s[3].minusLogP, mlp(3, 2));
  EXPECT_NE(s[2].minusLogP, s[3].minusLogP);
  EXPECT_EQ(s[4].minusLogP, 1.25f);
  EXPECT_EQ(s[5].minusLogP, mlp(0, 4));
  EXPECT_LT(s[5].minusLogP, 0.30103f);
  EXPECT_EQ(s[6].minusLogP, mlp(5, 0));
  EXPECT_EQ(s[7].minusLogP, 9.5f);
  EXPECT_EQ(s[8].minusLogP, mlp(5, 0));
  EXPECT_EQ(s[9].minusLogP, mlp(1, 0));

  // The kept 9.5 is the maximum: black there, near white where p = 1.
  EXPECT_EQ(s[7].shade, 0.0f);
  EXPECT_EQ(s[0].shade, 1.0f);
  for (int j = 0; j < 10; ++j) {
    const double v = s[j].minusLogP;
    EXPECT_NEAR(s[j].shade, 1 - std::pow(v / 9.5, 3), 1e-6) << j;
  }
  EXPECT_NEAR(pass.cb[0].label, 9.5, 1e-12);
  EXPECT_NEAR(pass.cb[4].label, 1.9, 1e-12);
  EXPECT_NEAR(pass.cb[0].shade, 0.0, 1e-15);
  EXPECT_NEAR(pass.cb[4].shade, 0.992, 1e-12);

  // The list: no title, a start and an end line per segment in walk order.
  const std::string list = readFile(path("p.txt"));
  std::string expected;
  const int segments[][2] = {{1, 2}, {3, 3}, {5, 5}, {6, 8}, {9, 9}};
  for (const auto& seg : segments) {
    expected += listLine(s[seg[0]], "start");
    expected += listLine(s[seg[1]], "end");
  }
  EXPECT_EQ(list, expected);

  const std::string figure = readFile(path("p.ps"));
  EXPECT_EQ(figure.rfind("%!PS-Adobe-3.1 EPSF-3.0\n/Helvetica", 0), 0u);
  EXPECT_EQ(countOf(figure, "setrgbcolor fill"), 5);
  EXPECT_NE(figure.find("(9.50) show"), std::string::npos);
  EXPECT_NE(figure.find("(1.90) show"), std::string::npos);
  EXPECT_EQ(countOf(figure, "\tstart\t"), 5);
  EXPECT_EQ(figure.find("nan"), std::string::npos);

  // A second scan: SNP 2 ended a segment before and is inside one now, so it
  // keeps the value of the first scan while the new ends get the new counts.
  const float earlier = s[2].minusLogP;
  for (int j = 1; j <= 3; ++j) {
    genome.sumSNP[j].overlapCount[0] = 6;
    genome.sumSNP[j].overlapCount[1] = 1;
  }
  significance(path("p.ps"), path("p.txt"));
  EXPECT_EQ(s[1].minusLogP, mlp(6, 1));
  EXPECT_EQ(s[2].minusLogP, earlier);
  EXPECT_EQ(s[3].minusLogP, mlp(6, 1));
  EXPECT_EQ(s[2].startFlag + s[2].endFlag, 0);
  EXPECT_EQ(countOf(readFile(path("p.txt")), "start\n"), 4);
}

TEST_F(SignificanceScan, NothingSharedGivesLightFigureAndZeroLegend) {
  buildTwoChromosomes();
  for (SNPRecord& r : genome.sumSNP) r.overlapCount[0] = r.overlapCount[1] = 0;

  significance(path("none.ps"), path("none.txt"));

  for (int j = 0; j < 10; ++j) {
    EXPECT_EQ(genome.sumSNP[j].startFlag, 0) << j;
    EXPECT_EQ(genome.sumSNP[j].shade, 1.0f) << j;
  }
  for (int i = 0; i < 5; ++i) {
    const double t = 1 - 0.2 * i;
    EXPECT_EQ(pass.cb[i].label, 0.0);
    EXPECT_EQ(pass.cb[i].shade, 1 - t * t * t);
  }
  EXPECT_EQ(readFile(path("none.txt")), "");
  const std::string figure = readFile(path("none.ps"));
  EXPECT_EQ(countOf(figure, "(0.00) show"), 5);
  EXPECT_EQ(figure.find("nan"), std::string::npos);
  EXPECT_EQ(countOf(figure, "\tstart\t"), 0);
}

}  // namespace
