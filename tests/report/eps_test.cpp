// EPS figures: colour mapping, header, black-and-white and coloured figures.
#include <cmath>

#include "common/harness.h"
#include "report_fixture.h"

namespace {

std::string rgb(float shade) {
  double r, g, b;
  shadeToRGB(shade, &r, &g, &b);
  char text[100];
  std::snprintf(text, sizeof text, "%f %f %f", r, g, b);
  return text;
}

TEST(ShadeToRGB, RowsAndBoundaries) {
  EXPECT_EQ(rgb(0.0f), "0.000000 0.000000 0.000000");
  EXPECT_EQ(rgb(0.329f), "0.000000 0.000000 0.987000");
  EXPECT_EQ(rgb(0.33f), "0.000000 0.000000 1.000000");
  EXPECT_EQ(rgb(0.5f), "0.000000 0.510000 1.000000");
  EXPECT_EQ(rgb(0.67f), "0.000000 1.000000 1.000000");
  EXPECT_EQ(rgb(1.0f), "0.990000 1.000000 1.000000");

  // The first row multiplies in single precision, the others in double.
  double r, g, b;
  shadeToRGB(0.1f, &r, &g, &b);
  EXPECT_EQ(b, static_cast<double>(3 * 0.1f));
  EXPECT_NE(b, 3 * static_cast<double>(0.1f));
  shadeToRGB(0.5f, &r, &g, &b);
  EXPECT_EQ(g, 3 * (0.5 - 0.33));

  // A NaN shade falls into the last row.
  shadeToRGB(std::nanf(""), &r, &g, &b);
  EXPECT_TRUE(std::isnan(r));
  EXPECT_EQ(g, 1.0);
  EXPECT_EQ(b, 1.0);
}

const char* const kFrame =
    "0 setlinewidth\n"
    "1 setgray\n"
    "0.02 18 scale\t0 1 moveto 24572.955 0 rlineto 0 22.5 rlineto -24572.955 0 rlineto 0 1 "
    "lineto closepath stroke\n";

class EpsTest : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    settings.largeGap = kLargeGapOff;  // chromosome 2's bar spans the whole frame
    buildGenome({{1234567, 2000000, 2500001}, {100000, 245729550}, {5}});
    addRegion(0, 2);
    addRegion(3, 4);
    setValues(enum_patients, 0, {3, 0, 3, 1, 1});
    Set_up_start_end(0, 0, enum_patients, 0);
    Set_up_start_end(0, 0, enum_patients, 1);
    genome.sumSNP[0].shade = 0.0f;
    genome.sumSNP[2].shade = 0.5f;
    genome.sumSNP[3].shade = 1.0f;
    genome.sumSNP[4].shade = 0.0f;  // an end SNP's shade is not used
  }
};

TEST_F(EpsTest, HeaderLines) {
  const std::string path = dir + "header.ps";
  FILE* file = std::fopen(path.c_str(), "w");
  ASSERT_NE(file, nullptr);
  writeEpsHeader(file);
  std::fclose(file);
  EXPECT_EQ(read(path), std::string("%!PS-Adobe-3.1 EPSF-3.0\n") + kFrame + "0 setgray\n");
}

TEST_F(EpsTest, BlackAndWhiteFigureOfOneChromosome) {
  const std::string path = dir + "HH_002_FoldOverlaps_PatientPool_chr001.ps";
  write(path, "stale\n");
  EXPECT_EQ(Output_black_and_whitePS(path, 0, 2), 0);
  // SNP 0 alone is a zero-width bar; the x values keep every base pair.
  const std::string bars =
      "1\t123.456700\texch 1 sub 0.75 mul 1 add moveto 0 0.5 rlineto\t%%rs0\tstart\t0\n"
      "1\t123.456700\texch 1 sub 0.75 mul 1.5 add lineto 0 -0.5 rlineto closepath "
      "fill\t%%rs0\tend\n"
      "1\t250.000100\texch 1 sub 0.75 mul 1 add moveto 0 0.5 rlineto\t%%rs2\tstart\t2\n"
      "1\t250.000100\texch 1 sub 0.75 mul 1.5 add lineto 0 -0.5 rlineto closepath "
      "fill\t%%rs2\tend\n";
  EXPECT_EQ(read(path), bars);

  pass.foldOverlapFileFlagPSHeader = 1;
  EXPECT_EQ(Output_black_and_whitePS(path, 0, 2), 0);
  EXPECT_EQ(read(path), std::string("%!PS-Adobe-3.1 EPSF-3.0\n") + kFrame + "0 setgray\n" + bars);

  // No segment on X and no header: an empty file.
  pass.foldOverlapFileFlagPSHeader = 0;
  EXPECT_EQ(Output_black_and_whitePS(path, 2, 2), 0);
  EXPECT_EQ(read(path), "");

  EXPECT_EXIT(asMain([&] { Output_black_and_whitePS(dir + "no/x.ps", 0, 2); }),
              ::testing::ExitedWithCode(1), "^ERROR: Can't output\"" + dir + "no/x.ps\"\n$");
}

TEST_F(EpsTest, ColouredFigureWithoutLegend) {
  const std::string path = dir + "HH_NoStSharingRCHHs_PatientPool.ps";
  Output_birds_eye_viewPS(path, enum_patients);
  EXPECT_EQ(read(path),
            std::string("%!PS-Adobe-3.1 EPSF-3.0\n") + kFrame +
                "0.000000 0.000000 0.000000 setrgbcolor\n"
                "1\t123.456700\texch 1 sub 0.75 mul 1 add moveto 0 0.5 rlineto\t%%rs0\tstart\t0\n"
                "1\t123.456700\texch 1 sub 0.75 mul 1.5 add lineto 0 -0.5 rlineto closepath "
                "fill\t%%rs0\tend\n"
                "0.000000 0.510000 1.000000 setrgbcolor\n"
                "1\t250.000100\texch 1 sub 0.75 mul 1 add moveto 0 0.5 rlineto\t%%rs2\tstart\t2\n"
                "1\t250.000100\texch 1 sub 0.75 mul 1.5 add lineto 0 -0.5 rlineto closepath "
                "fill\t%%rs2\tend\n"
                "0.990000 1.000000 1.000000 setrgbcolor\n"
                "2\t10.000000\texch 1 sub 0.75 mul 1 add moveto 0 0.5 rlineto\t%%rs3\tstart\t3\n"
                "2\t24572.955000\texch 1 sub 0.75 mul 1.5 add lineto 0 -0.5 rlineto closepath "
                "fill\t%%rs4\tend\n");
}

TEST_F(EpsTest, SignificanceFigureHasTheLegend) {
  // The legend of a figure whose largest value is 2.5: 1 - t^3 for t = 1, 0.8, .., 0.2.
  for (int i = 0; i < 5; ++i) {
    const double t = 1 - 0.2 * i, M = 2.5;
    pass.cb[i].label = t * M;
    pass.cb[i].shade = 1 - t * M * M * M * t * t / M / M / M;
  }
  const std::string path = dir + "HH_P_Value.ps";
  Output_birds_eye_viewPS(path, enum_significance);
  const std::string text = read(path);
  const std::string legend =
      "%!PS-Adobe-3.1 EPSF-3.0\n"
      "/Helvetica findfont 4 scalefont setfont gsave 2.83 2.83 scale \n"
      "150 105 moveto 5 0 rlineto 0 5 rlineto -5 0 rlineto closepath 0.000000 0.000000 0.000000 "
      "setrgbcolor fill 0 0 0 setrgbcolor 157.000000 106.500000 moveto (2.50) show\n"
      "150 100 moveto 5 0 rlineto 0 5 rlineto -5 0 rlineto closepath 0.000000 0.474000 1.000000 "
      "setrgbcolor fill 0 0 0 setrgbcolor 157.000000 101.500000 moveto (2.00) show\n"
      "150 95 moveto 5 0 rlineto 0 5 rlineto -5 0 rlineto closepath 0.342000 1.000000 1.000000 "
      "setrgbcolor fill 0 0 0 setrgbcolor 157.000000 96.500000 moveto (1.50) show\n"
      "150 90 moveto 5 0 rlineto 0 5 rlineto -5 0 rlineto closepath 0.798000 1.000000 1.000000 "
      "setrgbcolor fill 0 0 0 setrgbcolor 157.000000 91.500000 moveto (1.00) show\n"
      "150 85 moveto 5 0 rlineto 0 5 rlineto -5 0 rlineto closepath 0.966000 1.000000 1.000000 "
      "setrgbcolor fill 0 0 0 setrgbcolor 157.000000 86.500000 moveto (0.50) show\n"
      "grestore\n";
  ASSERT_GE(text.size(), legend.size());
  EXPECT_EQ(text.substr(0, legend.size()), legend);
  // The frame follows the legend, then the same segments as without it.
  Output_birds_eye_viewPS(dir + "plain.ps", enum_controls);
  const std::string plain = read(dir + "plain.ps");
  EXPECT_EQ(text.substr(legend.size()), plain.substr(plain.find('\n') + 1));
}

}  // namespace
