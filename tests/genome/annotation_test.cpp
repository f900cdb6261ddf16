// Annotation reader: statistics, bad lines, chromosome index and rs ID order.
#include <algorithm>
#include <random>

#include "common/harness.h"
#include "genome/annotation_summary.h"
#include "genome/rsid_order.h"
#include "genome_fixture.h"

namespace {

using AnnotationTest = GenomeTest;

TEST_F(AnnotationTest, ReportsStatisticsOfAWellFormedFile) {
  // Chromosome 3 is absent, 5 is X (also written "x"), Y is skipped; CR LF ends.
  const std::string file =
      "1\t1000\t0.5\trs10\t1.0\r\n"
      "1\t2000\t0.25\trs3\t1.5\r\n"
      "2\t500\t0.1\trs7\t0.5\r\n"
      "Y\t100\t0.5\trsY\t1.0\r\n"
      "4\t100\t0\trs5\t2.0\r\n"
      "4\t300\t1\trs2\t4.5\r\n"
      "5\t50\t0.5\trs1\t0.1\r\n"
      "x\t100\t0.5\trsX\t10.0\r\n";
  const std::string err = loadAnnotation(file, 1, 0);
  EXPECT_EQ(
      err,
      "\nAnnotation data read = 0  "
      "\nNumber of SNPs read\t\t7\n"
      "  Valid SNPs\t\t7\n\n"
      "Statistics of SNPs in the annotation file.\n"
      "     chr\t        from\t          to\t No. of SNPs\t  ave.hetero\tgenetic distance\n"
      "       1\t        1000\t        2000\t           2\t    0.437500\t    0.500000\n"
      "       2\t         500\t         500\t           1\t    0.180000\t    0.000000\n"
      "       4\t         100\t         300\t           2\t    0.000000\t    2.500000\n"
      "       5\t          50\t         100\t           2\t    0.500000\t    9.900000\n"
      "\nTotal genetic distance = 12.900000\n"
      "Total genetic distance (excluding X chromosome) = 3.000000\n"
      "The average of the frequency of the major allelic type excluding chromosome X 0.830000\n"
      "The average of the frequency of the minor allelic type excluding chromosome X 0.170000\n\n"
      "0.00 MegaBytes were allocated for data storage.\n"
      "0.00 MegaBytes will be allocated for HH calculation.\n\n");

  EXPECT_EQ(genome.lastChromosome, 5);
  EXPECT_EQ(genome.totalAnnotationDataCount, 7);
  ASSERT_EQ(genome.sumSNP.size(), 7u);
  EXPECT_EQ(genome.chrPosition, (std::vector<int64_t>{0, 2, 3, 3, 5, 7}));
  const SNPRecord& x = genome.sumSNP[6];
  EXPECT_EQ(x.chr, 5);
  EXPECT_EQ(x.position, 100);
  EXPECT_EQ(x.rsID, "rsX");
  EXPECT_EQ(x.tableIndex, 6);
  EXPECT_EQ(genome.sumSNP[2].freqA, 0.1f);
  EXPECT_DOUBLE_EQ(genome.totalGenetDistanceWOX, 3.0);
  EXPECT_NEAR(genome.averageMajorAlleleFrequencyWOX, 0.83, 1e-7);
  EXPECT_NEAR(genome.averageMinorAlleleFrequencyWOX, 0.17, 1e-7);
  // 16*6 + 8*(1+0+2) + 7*(2 + 144)
  EXPECT_EQ(genome.memoryAllocated, 1142.0);

  std::vector<std::string> order;
  for (const SNPRecord* r : genome.pASNP) order.push_back(r->rsID);
  EXPECT_EQ(order, (std::vector<std::string>{"rs1", "rs10", "rs2", "rs3", "rs5", "rs7", "rsX"}));

  EXPECT_EQ(genome.nEffectiveSNP[enum_patients], std::vector<int64_t>(4 * 2, 0));
}

TEST_F(AnnotationTest, StorageEstimateCountsEveryCheckedLine) {
  // 1000 checked lines on chromosomes 1..23, two of them bad, plus a Y line.
  std::string file;
  for (int i = 0; i < 1000; ++i) {
    const int chr = 1 + i * 23 / 1000;
    const std::string pos = (i == 500 || i == 700) ? "0" : std::to_string(1000 + i);
    file += annot(std::to_string(chr), pos, "0.3", "rs" + std::to_string(i),
                  std::to_string(1 + i) + ".0");
  }
  file += annot("Y", "5", "0.5", "rsY", "1.0");
  const std::string err = loadAnnotation(file, 10, 5);
  EXPECT_NE(err.find("\nNumber of SNPs read\t\t1000\n  Valid SNPs\t\t998\n\n"), std::string::npos);
  EXPECT_EQ(genome.memoryAllocated, 384.0 + 136.0 + 1000.0 * 177.0);
  // Chromosome 1 holds lines 0..43: 2 * 10 * 44 bytes.
  EXPECT_NE(err.find("\n0.18 MegaBytes were allocated for data storage.\n"
                     "0.00 MegaBytes will be allocated for HH calculation.\n\n"),
            std::string::npos);
  EXPECT_EQ(genome.chrPosition[1], 44);
  EXPECT_EQ(genome.gTypeBytes[enum_patients], 3);
  EXPECT_EQ(genome.gTypeBytes[enum_controls], 2);
  EXPECT_EQ(genome.nEffectiveSNP[enum_patients].size(), 22u * 11u);
  EXPECT_EQ(genome.nEffectiveSNP[enum_controls].size(), 22u * 6u);
}

TEST_F(AnnotationTest, ProgressIsTestedBeforeEachLineIsStored) {
  // 10000 valid lines write 0 once; the 10001st adds 10000. A Y line and a bad
  // line ahead leave the count at 0, so 0 is written for each of them too.
  std::string file = annot("Y", "1", "0.5", "rsY", "1.0") + annot("1", "0", "0.5", "rsBad", "1.0");
  for (int i = 0; i < 10001; ++i) {
    file += annot(i < 9000 ? "1" : "2", std::to_string(100 + i), "0.5", "rs" + std::to_string(i),
                  std::to_string(1 + i));
  }
  const std::string err = loadAnnotation(file);
  EXPECT_EQ(err.substr(0, err.find("Statistics")),
            "\nAnnotation data read = 0  0  ERROR: Position number errorERROR: Genetic Map value "
            "error  0  10000  "
            "\nNumber of SNPs read\t\t10002\n  Valid SNPs\t\t10001\n\n");
}

TEST_F(AnnotationTest, BadLinesAreReportedCountedAndDropped) {
  const std::string file =
      annot("1", "12abc", "-0.0", "rsN", "3.5cM") +  // leading numbers count
      annot("5", "100", "0.5", "rsA", "2.0") +
      annot("5", "200", "0.5", "rsB", "1.5") +  // map falls back
      annot("5", "200", "0.5", "rsC", "2.0") +  // equal map is fine
      annot("5", "100", "0.5", "rsD", "1.0") +  // position falls back: no map check
      annot("1", "0", "1.5", "rsE", "1.0") + annot("0", "10", "0.5", "rsF", "1.0") +
      annot("MT", "10", "0.5", "rsG", "1.0") + "1\t10\t0.5\trsH\n" +
      annot("1", "", "0.5", "rsI", "1.0") + annot("1", "10", "nan", "rsJ", "1.0") +
      annot("1", "10", "0.5", "rsK", "inf") + annot("1", "10", "0.5", "rsL", "nan") +
      annot("1", "10", "0.5", "rsM", "0") + annot("1", "10", "0.5", "rsO", "-2");
  const std::string err = loadAnnotation(file);
  const std::string chromosome = "ERROR: Chromosome number error\nERROR: Genetic Map value error  ";
  const std::string map = "ERROR: Genetic Map value error  ";
  EXPECT_EQ(err.substr(0, err.find("Statistics")),
            "\nAnnotation data read = 0  "
            "2.000000\t1.500000\n" +
                map + "ERROR: Position number errorERROR: Frequency value error" + map +
                chromosome + chromosome + chromosome + chromosome + "ERROR: Frequency value error" +
                map + map + map + map + map + "\nNumber of SNPs read\t\t15\n  Valid SNPs\t\t4\n\n");

  ASSERT_EQ(genome.totalAnnotationDataCount, 4);
  const SNPRecord& first = genome.sumSNP[0];
  EXPECT_EQ(first.chr, 1);
  EXPECT_EQ(first.position, 12);
  EXPECT_EQ(first.freqA, 0.0f);
  EXPECT_EQ(first.genetMap, 3.5);
  EXPECT_EQ(first.rsID, "rsN");
  std::vector<std::string> ids;
  for (const SNPRecord& r : genome.sumSNP)
    ids.push_back(r.rsID + "@" + std::to_string(r.tableIndex));
  EXPECT_EQ(ids, (std::vector<std::string>{"rsN@0", "rsA@1", "rsC@2", "rsD@3"}));
}

TEST_F(AnnotationTest, FilesWithoutAutosomesStop) {
  const std::string one = annot("1", "100", "0.5", "rs1", "1.0");
  // L = 1: the statistics and totals come first.
  EXPECT_EXIT(
      asMain([&] { readAnnotation(annotationFile(one + annot("X", "200", "0.5", "rs2", "2.0"))); }),
      ::testing::ExitedWithCode(1),
      "Statistics of SNPs in the annotation file.*"
      "       1\t         100\t         200\t           2\t.*"
      "Total genetic distance \\(excluding X chromosome\\) = 0.000000\n"
      "ERROR: No autosomes present in this analysis.\nTerminating Program....\n$");
  // Chromosome 3 is X and the only autosomal line is bad.
  EXPECT_EXIT(asMain([&] {
                readAnnotation(annotationFile(annot("3", "100", "0.5", "rs3", "1.0") +
                                              annot("1", "100", "2", "rs2", "1")));
              }),
              ::testing::ExitedWithCode(1),
              "ERROR: No autosomes present in this analysis.\nTerminating Program....\n$");
  // No numeric chromosome: the matrix size is negative.
  EXPECT_EXIT(
      asMain([&] { readAnnotation(annotationFile(annot("X", "100", "0.5", "rs1", "1.0"))); }),
      ::testing::ExitedWithCode(1), "^ERROR: Failed to allocate memory\n$");
  EXPECT_EXIT(asMain([&] { readAnnotation(annotationFile("")); }), ::testing::ExitedWithCode(1),
              "^ERROR: Failed to allocate memory\n$");
  // An absurd chromosome number is refused before anything is allocated.
  EXPECT_EXIT(asMain([&] {
                readAnnotation(annotationFile(one + annot("2000000000", "1", "0.5", "rs2", "1")));
              }),
              ::testing::ExitedWithCode(1),
              "^ERROR: Chromosome number 2000000000 in the annotation file is too large; at most "
              "10001 is supported.\n$");
}

// The index as the chromosome scan defines it: per chromosome number, search
// the table from its start; later chromosomes overwrite the tail.
std::vector<int64_t> scannedIndex(const std::vector<int32_t>& chrs, int32_t L) {
  std::vector<int64_t> entry(L + 1, 0);
  const int64_t N = static_cast<int64_t>(chrs.size());
  for (int32_t c = 1; c <= L; ++c) {
    int64_t k = 0;
    while (k < N && chrs[k] != c) ++k;
    if (k == N) continue;
    entry[c - 1] = k;
    while (k < N && chrs[k] == c) ++k;
    for (int32_t j = c; j <= L; ++j) entry[j] = k;
  }
  entry[L] = N;
  return entry;
}

TEST_F(AnnotationTest, ChromosomeIndexEqualsTheScanForAnyOrder) {
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    resetModel();
    const int32_t L = 1 + static_cast<int32_t>(rng() % 6);
    const int N = static_cast<int>(rng() % 12);
    std::vector<int32_t> chrs;
    for (int i = 0; i < N; ++i) chrs.push_back(1 + static_cast<int32_t>(rng() % L));
    if (round % 3 == 0) std::sort(chrs.begin(), chrs.end());
    genome.lastChromosome = L;
    genome.totalAnnotationDataCount = N;
    genome.sumSNP.resize(N);
    for (int i = 0; i < N; ++i) genome.sumSNP[i].chr = chrs[i];
    buildChromosomeIndex();
    ASSERT_EQ(genome.chrPosition, scannedIndex(chrs, L)) << "round " << round;
  }
}

TEST_F(AnnotationTest, RsIDOrderIsByteOrderWithTiesInTableOrder) {
  EXPECT_EQ(compareRsID("rs1", "rs10"), -1);
  EXPECT_EQ(compareRsID("rs2", "rs10"), 1);
  EXPECT_EQ(compareRsID("rs\xe9", "rsz"), 1);  // bytes compare unsigned

  std::mt19937 rng(11);
  const std::vector<std::string> stems = {"rs", "rs1234567", "rs12345678", "SNP_A-", "rs\xc3", ""};
  const int N = 400;
  genome.totalAnnotationDataCount = N;
  genome.sumSNP.resize(N);
  for (int i = 0; i < N; ++i) {
    genome.sumSNP[i].rsID = stems[rng() % stems.size()] + std::to_string(rng() % 50);
    genome.sumSNP[i].tableIndex = i;
  }
  buildRsIDOrder();
  std::vector<const SNPRecord*> expected;
  for (const SNPRecord& r : genome.sumSNP) expected.push_back(&r);
  std::stable_sort(expected.begin(), expected.end(), [](const SNPRecord* a, const SNPRecord* b) {
    return compareAnnotRsID(a, b) < 0;
  });
  ASSERT_EQ(genome.pASNP.size(), expected.size());
  for (int i = 0; i < N; ++i) ASSERT_EQ(genome.pASNP[i], expected[i]) << i;
}

}  // namespace
