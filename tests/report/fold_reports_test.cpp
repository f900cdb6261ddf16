// Fold-overlap reports: the per-chromosome text with its subjects column and
// the pool's whole-genome figure and list.
#include "common/harness.h"
#include "report_fixture.h"

namespace {

class FoldReportTest : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    // Slot 0: SNPs 0..4; slot 1: SNPs 5..7; slot 2 (X): SNP 8.
    buildGenome({{1000, 2000, 3000, 4000, 5000}, {1000, 2000, 3000}, {1000}});
    addRegion(0, 4);
    addRegion(5, 7);
    addRegion(8, 8);  // never analysed by the pool figures
    settings.noTgPool[enum_patients] = 3;
    settings.stFile[enum_patients] = {"/data/cohort/alice.txt", "bob.txt", "dir/carol.csv"};
    settings.noTgPool[enum_controls] = 2;
    settings.stFile[enum_controls] = {"c1.txt", "c2.txt"};
    allocateGTypes();
  }

  // rchhCount rows of slot k for the n + 1 entries of pool `pool`, one row per SNP.
  void setCounts(int32_t k, int pool, const std::vector<std::vector<uint16_t>>& rows) {
    const int n = settings.noTgPool[pool];
    attachSlotScratch(k, pool, n + 1, 0);
    for (size_t i = 0; i < rows.size(); ++i) {
      for (size_t l = 0; l < rows[i].size(); ++l) {
        genome.sumSNP[slotBegin(k) + static_cast<int64_t>(i)].rchhCount[l] = rows[i][l];
      }
    }
  }
};

TEST_F(FoldReportTest, SubjectsColumnAndAppending) {
  setValues(enum_patients, 0, {3, 3, 2, 0, 2});
  setCounts(0, enum_patients, {{2, 2, 2}, {1, 2, 0}, {1, 1, 0}, {0, 0, 0}, {0, 0, 0}});
  pass.foldOverlapFileFlagTXT.assign(4, 0);
  const std::string chr1 = dir + "HH_002_FoldOverlaps_PatientPool_chr001.txt";
  write(chr1, "stale\n");

  // W = 2: segments 0-2 and 4-4; every subject with an RCHH at the SNP is named.
  ASSERT_EQ(Set_up_start_end(2, 1, enum_patients, 0), 1);
  EXPECT_EQ(Output_foldoverlap_textHH(chr1, 3, 2, enum_patients, 0, 2), 0);
  const std::string w2 =
      "1\t1000\t0.001000\trs0\tstart\tSubjects\t alice.txt bob.txt carol.csv\n"
      "1\t3000\t0.003000\trs2\tend\tSubjects\t alice.txt bob.txt\n"
      "1\t5000\t0.005000\trs4\tstart\tSubjects\t\n"
      "1\t5000\t0.005000\trs4\tend\tSubjects\t\n";
  EXPECT_EQ(read(chr1), w2);
  EXPECT_EQ(pass.foldOverlapFileFlagTXT[2], 1);

  // W = 3 on its own flag: created anew; only subjects with two partners count.
  const std::string w3Path = dir + "HH_003_FoldOverlaps_PatientPool_chr001.txt";
  ASSERT_EQ(Set_up_start_end(3, 1, enum_patients, 0), 1);
  EXPECT_EQ(Output_foldoverlap_textHH(w3Path, 3, 3, enum_patients, 0, 3), 0);
  EXPECT_EQ(read(w3Path),
            "1\t1000\t0.001000\trs0\tstart\tSubjects\t alice.txt bob.txt carol.csv\n"
            "1\t2000\t0.002000\trs1\tend\tSubjects\t bob.txt\n");

  // Chromosome 2 of W = 2 in the same pass appends to whatever its name holds.
  setValues(enum_patients, 5, {2, 2, 0});
  releaseSlotScratch(0);
  setCounts(1, enum_patients, {{1, 0, 1}, {0, 1, 1}, {0, 0, 0}});
  const std::string chr2 = dir + "HH_002_FoldOverlaps_PatientPool_chr002.txt";
  write(chr2, "left from before\n");
  ASSERT_EQ(Set_up_start_end(2, 1, enum_patients, 1), 1);
  EXPECT_EQ(Output_foldoverlap_textHH(chr2, 3, 2, enum_patients, 1, 2), 0);
  EXPECT_EQ(read(chr2),
            "left from before\n"
            "2\t1000\t0.001000\trs5\tstart\tSubjects\t alice.txt carol.csv\n"
            "2\t2000\t0.002000\trs6\tend\tSubjects\t bob.txt carol.csv\n");
  // One file for every slot (the query's way) collects them in order.
  EXPECT_EQ(Output_foldoverlap_textHH(chr1, 3, 2, enum_patients, 1, 2), 0);
  EXPECT_EQ(read(chr1), w2 + read(chr2).substr(17));

  EXPECT_EXIT(
      asMain([&] { Output_foldoverlap_textHH(dir + "no/x.txt", 3, 2, enum_patients, 1, 1); }),
      ::testing::ExitedWithCode(1), "^ERROR: Can't output\"" + dir + "no/x.txt\"\n$");
  EXPECT_EXIT(asMain([&] { Output_foldoverlap_textHH(chr1, 3, 2, enum_patients, 1, 4); }),
              ::testing::ExitedWithCode(1), "^ERROR: ");
}

TEST_F(FoldReportTest, SpooledPiecesHoldWhatTheFilesHeld) {
  setValues(enum_patients, 0, {3, 3, 2, 0, 2});
  setCounts(0, enum_patients, {{2, 2, 2}, {1, 2, 0}, {1, 1, 0}, {0, 0, 0}, {0, 0, 0}});
  ASSERT_EQ(Set_up_start_end(2, 1, enum_patients, 0), 1);
  const std::string text = dir + "w2.txt", figure = dir + "w2.ps";
  pass.foldOverlapFileFlagTXT.assign(4, 0);
  Output_foldoverlap_textHH(text, 3, 2, enum_patients, 0, 2);
  Output_black_and_whitePS(figure, 0, 2);

  PieceSpool spool(dir);
  pass.foldOverlapFileFlagTXT.assign(4, 0);
  spoolFoldOverlapTextHH(spool, "t", 3, 2, enum_patients, 0, 2);
  EXPECT_EQ(pass.foldOverlapFileFlagTXT[2], 1);
  // The flag set, a second text of that name follows the first, as appending did.
  spoolFoldOverlapTextHH(spool, "t", 3, 2, enum_patients, 0, 2);
  spoolBlackAndWhitePS(spool, "f", 0);
  char* bytes = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&bytes, &size);
  EXPECT_TRUE(spool.moveLinesTo("t", out));
  std::fputs("|", out);
  EXPECT_TRUE(spool.moveLinesTo("f", out));
  std::fclose(out);
  EXPECT_EQ(std::string(bytes, size), read(text) + read(text) + "|" + read(figure));
  std::free(bytes);
  EXPECT_FALSE(read(text).empty());
  EXPECT_EXIT(asMain([&] { spoolFoldOverlapTextHH(spool, "t", 3, 2, enum_patients, 0, 4); }),
              ::testing::ExitedWithCode(1), "^ERROR: No fold-count flag 4");
}

TEST_F(FoldReportTest, PoolFiguresShadeByTheRunMaximum) {
  pass.maxOverlap = 5;
  setValues(enum_patients, 0, {4, 4, 2, 0, 1});
  setValues(enum_patients, 5, {5, 5, 5});
  setValues(enum_patients, 8, {4});
  setValues(enum_controls, 0, {0, 0, 0, 0, 0});
  setValues(enum_controls, 5, {0, 0, 0});
  genome.sumSNP[8].startFlag = 7;  // X keeps what it has

  EXPECT_EQ(foldOverlapDrawFigures(enum_patients, 3, 0), 0);
  EXPECT_EQ(genome.sumSNP[2].shade, static_cast<float>(1 - 8.0 / 125));
  EXPECT_EQ(genome.sumSNP[8].startFlag, 7);
  const std::string bar0 =
      "1\t0.100000\texch 1 sub 0.75 mul 1 add moveto 0 0.5 rlineto\t%%rs0\tstart\t0\n"
      "1\t0.200000\texch 1 sub 0.75 mul 1.5 add lineto 0 -0.5 rlineto closepath fill\t%%rs1\tend\n";
  const std::string figure = read(dir + "HH_NoStSharingRCHHs_PatientPool.ps");
  const std::string header =
      "%!PS-Adobe-3.1 EPSF-3.0\n"
      "0 setlinewidth\n"
      "1 setgray\n"
      "0.02 18 scale\t0 1 moveto 24572.955 0 rlineto 0 22.5 rlineto -24572.955 0 rlineto "
      "0 1 lineto closepath stroke\n";
  // Shades 1 - v^3/125: 4 -> 0.488, 2 -> 0.936, 1 -> 0.992, 5 -> 0.
  EXPECT_EQ(figure,
            header + "0.000000 0.474000 1.000000 setrgbcolor\n" + bar0 +
                "0.798000 1.000000 1.000000 setrgbcolor\n"
                "1\t0.300000\texch 1 sub 0.75 mul 1 add moveto 0 0.5 rlineto\t%%rs2\tstart\t2\n"
                "1\t0.300000\texch 1 sub 0.75 mul 1.5 add lineto 0 -0.5 rlineto closepath "
                "fill\t%%rs2\tend\n"
                "0.966000 1.000000 1.000000 setrgbcolor\n"
                "1\t0.500000\texch 1 sub 0.75 mul 1 add moveto 0 0.5 rlineto\t%%rs4\tstart\t4\n"
                "1\t0.500000\texch 1 sub 0.75 mul 1.5 add lineto 0 -0.5 rlineto closepath "
                "fill\t%%rs4\tend\n"
                "0.000000 0.000000 0.000000 setrgbcolor\n"
                "2\t0.100000\texch 1 sub 0.75 mul 1 add moveto 0 0.5 rlineto\t%%rs5\tstart\t5\n"
                "2\t0.300000\texch 1 sub 0.75 mul 1.5 add lineto 0 -0.5 rlineto closepath "
                "fill\t%%rs7\tend\n");
  EXPECT_EQ(read(dir + "HH_NoStSharingRCHHs_PatientPool.txt"),
            "No_of_samples 3\n"
            "1\t1000\t0.001000\trs0\t4\tstart\n"
            "1\t2000\t0.002000\trs1\t4\tend\n"
            "1\t3000\t0.003000\trs2\t2\tstart\n"
            "1\t3000\t0.003000\trs2\t2\tend\n"
            "1\t5000\t0.005000\trs4\t1\tstart\n"
            "1\t5000\t0.005000\trs4\t1\tend\n"
            "2\t1000\t0.001000\trs5\t5\tstart\n"
            "2\t3000\t0.003000\trs7\t5\tend\n");

  // The control pool with representative: its own names; all zero, no segment.
  EXPECT_EQ(foldOverlapDrawFigures(enum_controls, 2, 1), 0);
  EXPECT_EQ(read(dir + "HH_NoStSharingRCHHsWithRepresentative_ControlPool.txt"),
            "No_of_samples 2\n");
  EXPECT_EQ(read(dir + "HH_NoStSharingRCHHsWithRepresentative_ControlPool.ps"), header);
  EXPECT_EQ(genome.sumSNP[0].shade, 1.0f);

  // The other two names.
  foldOverlapDrawFigures(enum_patients, 3, 1);
  foldOverlapDrawFigures(enum_controls, 2, 0);
  for (const char* name :
       {"HH_NoStSharingRCHHsWithRepresentative_PatientPool.ps",
        "HH_NoStSharingRCHHsWithRepresentative_PatientPool.txt",
        "HH_NoStSharingRCHHs_ControlPool.ps", "HH_NoStSharingRCHHs_ControlPool.txt"}) {
    EXPECT_TRUE(std::filesystem::exists(dir + name)) << name;
  }
  EXPECT_EQ(read(dir + "HH_NoStSharingRCHHsWithRepresentative_PatientPool.ps"), figure);
}

TEST_F(FoldReportTest, MaxOverlapZeroGivesShadeOne) {
  // maxOverlap 0 with levels present (a figure drawn before any maximum was
  // raised): every SNP is near white instead of a 0/0 colour.
  pass.maxOverlap = 0;
  setValues(enum_patients, 0, {0, 2, 2, 0, 0});
  setValues(enum_patients, 5, {0, 0, 0});
  genome.sumSNP[3].shade = 0.25f;
  foldOverlapDrawFigures(enum_patients, 3, 0);
  for (int64_t i = 0; i < 9; ++i) EXPECT_EQ(genome.sumSNP[i].shade, 1.0f) << i;
  const std::string figure = read(dir + "HH_NoStSharingRCHHs_PatientPool.ps");
  EXPECT_EQ(figure.find("nan"), std::string::npos);
  EXPECT_NE(figure.find("closepath stroke\n0.990000 1.000000 1.000000 setrgbcolor\n1\t0.200000\t"),
            std::string::npos);
}

}  // namespace
