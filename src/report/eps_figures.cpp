// EPS figures of segments: one row per chromosome (x = bp / 10000, rows 0.75
// units apart, bars 0.5 high), black bars per chromosome or coloured bars over
// the whole genome with an optional five-step legend.
#include "base/output.h"
#include "report/report.h"

namespace {

void writeEpsFirstLine(FILE* file) {
  std::fprintf(file, "%%!PS-Adobe-3.1 EPSF-3.0\n");
}

// Header lines 2 to 4: the white frame that fixes the drawing's extent
// (24572.955 units = 245,729,550 bp wide, 22.5 units = 30 rows high).
void writeEpsFrame(FILE* file) {
  std::fprintf(file, "0 setlinewidth\n");
  std::fprintf(file, "1 setgray\n");
  std::fprintf(file,
               "0.02 18 scale\t0 1 moveto 24572.955 0 rlineto 0 22.5 rlineto -24572.955 0 "
               "rlineto 0 1 lineto closepath stroke\n");
}

// The bar of segment j..k: the start line draws the left edge upwards, the end
// line the rest of the outline, then fills it. The PostScript interpreter
// computes y from the chromosome number pushed first.
void writeSegmentLines(FILE* file, int64_t j, int64_t k) {
  const SNPRecord& a = genome.sumSNP[j];
  const SNPRecord& b = genome.sumSNP[k];
  std::fprintf(file, "%d\t%f\texch 1 sub 0.75 mul 1 add moveto 0 0.5 rlineto\t%%%%%s\tstart\t%ld\n",
               a.chr, static_cast<double>(a.position) / 10000.0, a.rsID.c_str(), a.tableIndex);
  std::fprintf(
      file,
      "%d\t%f\texch 1 sub 0.75 mul 1.5 add lineto 0 -0.5 rlineto closepath fill\t%%%%%s\tend\n",
      b.chr, static_cast<double>(b.position) / 10000.0, b.rsID.c_str());
}

// The colour bar in millimetres: squares of 5 mm at x = 150, darkest at the top.
void writeLegend(FILE* file) {
  std::fprintf(file, "/Helvetica findfont 4 scalefont setfont gsave 2.83 2.83 scale \n");
  for (int i = 0; i < 5; ++i) {
    std::fprintf(file, "%d %d moveto 5 0 rlineto 0 5 rlineto -5 0 rlineto closepath ", 150,
                 105 - 5 * i);
    double red, green, blue;
    shadeToRGB(static_cast<float>(pass.cb[i].shade), &red, &green, &blue);
    std::fprintf(file, "%lf %lf %lf setrgbcolor fill ", red, green, blue);
    std::fprintf(file, "0 0 0 setrgbcolor %f %f moveto (%.2f) show\n", 157.0, 106.5 - 5 * i,
                 pass.cb[i].label);
  }
  std::fprintf(file, "grestore\n");
}

FILE* createFigure(const std::string& path) {
  FILE* file = openOutput(path);
  if (file == nullptr) fatal("ERROR: Can't output\"%s\"\n", path.c_str());
  return file;
}

}  // namespace

void writeEpsHeader(FILE* file) {
  writeEpsFirstLine(file);
  writeEpsFrame(file);
  std::fprintf(file, "0 setgray\n");
}

namespace {

void requireSlotToDraw(int chrIndex) {
  if (chrIndex < 0 || static_cast<size_t>(chrIndex) + 1 >= genome.chrPosition.size()) {
    fatal("ERROR: No chromosome slot %d to draw\n", chrIndex);
  }
}

void writeBlackAndWhite(FILE* file, int chrIndex) {
  if (pass.foldOverlapFileFlagPSHeader == 1) writeEpsHeader(file);
  forEachSegment(chrIndex, [&](int64_t j, int64_t k) { writeSegmentLines(file, j, k); });
}

}  // namespace

// foldCount is what the callers draw; the figure does not depend on it.
int Output_black_and_whitePS(const std::string& path, int chrIndex, int64_t /*foldCount*/) {
  requireSlotToDraw(chrIndex);
  FILE* file = createFigure(path);
  writeBlackAndWhite(file, chrIndex);
  return closeOutput(file, path);
}

void spoolBlackAndWhitePS(PieceSpool& spool, const std::string& name, int chrIndex) {
  requireSlotToDraw(chrIndex);
  writeBlackAndWhite(spool.begin(name), chrIndex);
  spool.finish();
}

void Output_birds_eye_viewPS(const std::string& path, int kind) {
  FILE* file = createFigure(path);
  writeEpsFirstLine(file);
  if (kind == enum_significance) writeLegend(file);
  writeEpsFrame(file);
  forEachSegment(-1, [&](int64_t j, int64_t k) {
    double red, green, blue;
    shadeToRGB(genome.sumSNP[j].shade, &red, &green, &blue);
    std::fprintf(file, "%f %f %f setrgbcolor\n", red, green, blue);
    writeSegmentLines(file, j, k);
  });
  closeOutput(file, path);
}
