// The figure script: every whole-genome EPS of a directory rendered to PDF and
// PNG at the extent of what is drawn, the EPS files left as velmora wrote them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "import/interchange.h"

namespace {

const char* const kHeader =
    "%!PS-Adobe-3.1 EPSF-3.0\n0 setlinewidth\n1 setgray\n"
    "0.02 18 scale\t0 1 moveto 24572.955 0 rlineto 0 22.5 rlineto -24572.955 0 rlineto 0 1 lineto "
    "closepath "
    "stroke\n";

// One bar on chromosome 3 reaching 200 Mb.
const char* const kSegment =
    "3\t100.000000\texch 1 sub 0.75 mul 1 add moveto 0 0.5 rlineto\t%%rs1\tstart\t12\n"
    "3\t20000.000000\texch 1 sub 0.75 mul 1.5 add lineto 0 -0.5 rlineto closepath "
    "fill\t%%rs2\tend\n";

const char* const kLegend =
    "/Helvetica findfont 4 scalefont setfont gsave 2.83 2.83 scale \n"
    "150 105 moveto 5 0 rlineto 0 5 rlineto -5 0 rlineto closepath 0.000000 0.000000 0.000000 "
    "setrgbcolor fill "
    "0 0 0 setrgbcolor 157.000000 106.500000 moveto (2.21) show\n"
    "grestore\n";

// Width and height in pixels from a PNG's IHDR chunk.
std::pair<int, int> pngSize(const std::string& png) {
  auto word = [&](size_t at) {
    return (static_cast<unsigned char>(png[at]) << 24) |
           (static_cast<unsigned char>(png[at + 1]) << 16) |
           (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
  };
  if (png.size() < 24 || png.compare(1, 3, "PNG") != 0) return {0, 0};
  return {word(16), word(20)};
}

TEST(FigureScript, EachWholeGenomeFigureIsRenderedFittedAndLeftUnchanged) {
  if (std::system("gs --version > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "Ghostscript is not installed";
  ScratchDir dir;
  const std::string plain = std::string(kHeader) + "0 setgray\n" + kSegment;
  const std::string coloured = std::string("%!PS-Adobe-3.1 EPSF-3.0\n") + kLegend + (kHeader + 24) +
                               "0.5 0.5 1 setrgbcolor\n" + kSegment;
  dir.write("out/HH_003_FoldOverlaps_PatientPool.ps", plain);
  dir.write("out/HH_P_Value_PatientPool_vs_ControlPool.ps", coloured);
  // A per-chromosome piece left by an interrupted run has no header.
  dir.write("out/HH_003_FoldOverlaps_PatientPool_chr003.ps", kSegment);

  RunResult r = runProgram(
      {sourcePath("tools/figures/render_figures.sh"), "--resolution", "72", dir.file("out")}, "");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("_chr003.ps has no PostScript header"), std::string::npos) << r.err;
  EXPECT_FALSE(dir.exists("out/HH_003_FoldOverlaps_PatientPool_chr003.png"));

  // At 72 dpi a pixel is a point: 3 rows (54 pt) and 200 Mb (400 pt) plus the
  // margins for labels, axis and title; the legend widens and heightens its figure.
  EXPECT_EQ(pngSize(dir.read("out/HH_003_FoldOverlaps_PatientPool.png")), std::make_pair(452, 70));
  EXPECT_EQ(pngSize(dir.read("out/HH_P_Value_PatientPool_vs_ControlPool.png")),
            std::make_pair(508, 328));
  EXPECT_EQ(dir.read("out/HH_003_FoldOverlaps_PatientPool.pdf").substr(0, 5), "%PDF-");
  EXPECT_EQ(dir.read("out/HH_P_Value_PatientPool_vs_ControlPool.pdf").substr(0, 5), "%PDF-");
  EXPECT_EQ(dir.read("out/HH_003_FoldOverlaps_PatientPool.ps"), plain);
  EXPECT_EQ(dir.read("out/HH_P_Value_PatientPool_vs_ControlPool.ps"), coloured);

  RunResult elsewhere =
      runProgram({sourcePath("tools/figures/render_figures.sh"), "--out", dir.file("pictures"),
                  dir.file("out/HH_003_FoldOverlaps_PatientPool.ps")},
                 "");
  ASSERT_EQ(elsewhere.status, 0) << elsewhere.err;
  EXPECT_EQ(dir.list("pictures"),
            (std::vector<std::string>{"HH_003_FoldOverlaps_PatientPool.pdf",
                                      "HH_003_FoldOverlaps_PatientPool.png"}));

  RunResult nothing =
      runProgram({sourcePath("tools/figures/render_figures.sh"), dir.file("pictures")}, "");
  EXPECT_EQ(nothing.status, 1);
  EXPECT_NE(nothing.err.find("ERROR: no EPS figure found"), std::string::npos) << nothing.err;
}

}  // namespace
