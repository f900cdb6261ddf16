// Region set-up: default regions, excluded and target area files, refusals.
#include "common/harness.h"
#include "genome_fixture.h"

namespace {

// Chromosomes 1, 2 and 4 (3 absent), X is 5. Indexes 0..9 are autosomal;
// distances 2.5, 0.5 and 4.5 cM.
const std::string kAnnotation =
    "1\t100\t0.5\trs0\t1.0\n1\t200\t0.5\trs1\t2.0\n1\t300\t0.5\trs2\t3.5\n"
    "2\t100\t0.5\trs3\t1.0\n2\t200\t0.5\trs4\t1.5\n"
    "4\t100\t0.5\trs5\t0.5\n4\t200\t0.5\trs6\t1.0\n4\t300\t0.5\trs7\t2.0\n4\t400\t0.5\trs8\t4.0\n"
    "4\t500\t0.5\trs9\t5.0\n"
    "5\t100\t0.5\trs10\t1.0\n";

class RegionsTest : public GenomeTest {
 protected:
  void SetUp() override {
    GenomeTest::SetUp();
    loadAnnotation(kAnnotation);
  }

  int64_t autosomal() const { return genome.chrPosition[genome.lastChromosome - 1]; }

  // setRegion with an excluded or a target area file of this content.
  int64_t area(bool excluded, const std::string& content) {
    const std::string path = write(excluded ? "excluded.txt" : "target.txt", content);
    return setRegion(excluded ? path : "", excluded ? "" : path, autosomal());
  }

  // The same, returning its standard error and setting count.
  std::string withArea(bool excluded, const std::string& content, int64_t& count) {
    return stderrOf([&] { count = area(excluded, content); });
  }

  static std::vector<std::pair<int64_t, int64_t>> regions(int64_t count) {
    std::vector<std::pair<int64_t, int64_t>> list;
    for (int64_t j = 0; j < count; ++j)
      list.push_back({genome.includeRegion[j].start, genome.includeRegion[j].end});
    return list;
  }
};

using Spans = std::vector<std::pair<int64_t, int64_t>>;

TEST_F(RegionsTest, DefaultRegionsAreTheAutosomes) {
  int64_t count = 0;
  const std::string err = stderrOf([&] { count = setRegion("", "", autosomal()); });
  EXPECT_EQ(err, "");
  EXPECT_EQ(regions(count), (Spans{{0, 2}, {3, 4}, {5, 4}, {5, 9}}));  // chromosome 3 empty
}

TEST_F(RegionsTest, EmptyAreaFiles) {
  int64_t count = 0;
  for (const std::string content : {"", "4 100 0.5\n"}) {  // a lone line is no area
    EXPECT_EQ(withArea(true, content, count),
              "Total genetic distance included = 7.500000.  Ratio is 1.000000\n");
    EXPECT_EQ(regions(count), (Spans{{0, 2}, {3, 4}, {5, 9}}));
  }
  count = -1;
  EXPECT_EQ(withArea(false, "", count),
            "Total genetic distance included = 0.000000.  Ratio is 0.000000\n");
  EXPECT_EQ(count, 0);
}

TEST_F(RegionsTest, ExcludedAreaSplitsAChromosome) {
  int64_t count = 0;
  // The excluded file wins over a target file, which is then never opened.
  const std::string path = write("excluded.txt", "4\t200\t1.0\n4  300  2.0\r\n");
  const std::string err =
      stderrOf([&] { count = setRegion(path, dir_.file("absent.txt"), autosomal()); });
  EXPECT_EQ(err, "Total genetic distance included = 4.000000.  Ratio is 0.533333\n");
  EXPECT_EQ(regions(count), (Spans{{0, 2}, {3, 4}, {5, 5}, {8, 9}}));
}

TEST_F(RegionsTest, TargetAreasAcrossChromosomesAndOfOneSNP) {
  int64_t count = 0;
  const std::string err = withArea(false,
                                   "1 200 2.0\n2 200 1.5\n"  // across chromosomes 1 and 2
                                   "4 100 0.5\n4 100 0.5\n"  // one SNP
                                   "4 300 2.0\n4 500 5.0\n"
                                   "not a SNP\n",  // without partner: ignored
                                   count);
  EXPECT_EQ(err, "Total genetic distance included = 5.000000.  Ratio is 0.666667\n");
  EXPECT_EQ(regions(count), (Spans{{1, 2}, {3, 4}, {5, 5}, {7, 9}}));
}

TEST_F(RegionsTest, MissingOrMisplacedAreasStopTheRun) {
  const char* target = "^ERROR: The target area file is not compatible.\n$";
  const char* excluded = "^ERROR: The excluded area file is not compatible.\n$";
  // Out of table order.
  EXPECT_EXIT(asMain([&] { area(false, "4 100 0.5\n4 200 1.0\n1 100 1.0\n1 200 2.0\n"); }),
              ::testing::ExitedWithCode(1), target);
  // End before start.
  EXPECT_EXIT(asMain([&] { area(false, "1 300 3.5\n1 100 1.0\n"); }), ::testing::ExitedWithCode(1),
              target);
  // The X chromosome lies beyond the autosomal SNPs.
  EXPECT_EXIT(asMain([&] { area(true, "5 100 1.0\n5 100 1.0\n"); }), ::testing::ExitedWithCode(1),
              excluded);
  // A position that no SNP has, and a line without its three values.
  EXPECT_EXIT(asMain([&] { area(true, "1 150 1.0\n1 200 2.0\n"); }), ::testing::ExitedWithCode(1),
              excluded);
  EXPECT_EXIT(asMain([&] { area(true, "1 100\n1 200 2.0\n"); }), ::testing::ExitedWithCode(1),
              excluded);
  EXPECT_EXIT(asMain([&] { area(false, "1 100 1.0\n\n"); }), ::testing::ExitedWithCode(1), target);
  EXPECT_EXIT(asMain([&] { setRegion(dir_.file("none"), "", autosomal()); }),
              ::testing::ExitedWithCode(1), "^ERROR: The excluded area file is not present.\n$");
  EXPECT_EXIT(asMain([&] { setRegion("", dir_.file("none"), autosomal()); }),
              ::testing::ExitedWithCode(1), "^ERROR: The target area file is not present.\n$");
}

// One chromosome of 20001 SNPs, positions 1.. and maps 1.. by index.
void longChromosome() {
  resetModel();
  const int64_t N = 20001;
  genome.sumSNP.resize(N);
  for (int64_t i = 0; i < N; ++i) {
    genome.sumSNP[i].chr = 1;
    genome.sumSNP[i].position = i + 1;
    genome.sumSNP[i].genetMap = static_cast<double>(i + 1);
    genome.sumSNP[i].tableIndex = i;
  }
  genome.totalAnnotationDataCount = N;
  genome.lastChromosome = 2;
  genome.chrPosition = {0, N, N};
  genome.totalGenetDistanceWOX = static_cast<double>(N - 1);
}

// Single-SNP areas at the given indexes of longChromosome.
std::string singleAreas(int64_t first, int64_t count) {
  std::string text;
  for (int64_t k = 0; k < count; ++k) {
    const std::string line = "1 " + std::to_string(first + 2 * k + 1) + " 0\n";
    text += line + line;
  }
  return text;
}

TEST_F(RegionsTest, RegionTableHoldsTenThousand) {
  longChromosome();
  int64_t count = 0;
  withArea(false, singleAreas(0, 10000), count);
  ASSERT_EQ(count, 10000);
  EXPECT_EQ(genome.includeRegion[9999].start, 19998);
  EXPECT_EQ(genome.includeRegion[9999].end, 19998);

  EXPECT_EXIT(asMain([&] { area(false, singleAreas(0, 10001)); }), ::testing::ExitedWithCode(1),
              "^ERROR: The target area file gives more than 10000 analysis regions.\n$");
  // Excluding every odd SNP leaves 10001 single-SNP regions.
  EXPECT_EXIT(asMain([&] { area(true, singleAreas(1, 10000)); }), ::testing::ExitedWithCode(1),
              "^ERROR: The excluded area file gives more than 10000 analysis regions.\n$");
}

}  // namespace
