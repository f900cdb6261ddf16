// The two tab-separated start/end lists: fold-overlap values of one column, and
// the p-value list with both pools' counts.
#include "base/output.h"
#include "report/report.h"

int Output_start_end_text(const std::string& path, const std::string& title, int column) {
  if (column < 0 || column > 2) fatal("ERROR: No fold-overlap column %d\n", column);
  FILE* file = openOutput(path);
  if (file == nullptr) fatal("ERROR: Can't output\"%s\"\n", path.c_str());
  if (!title.empty()) std::fprintf(file, "%s\n", title.c_str());
  forEachSegment(-1, [&](int64_t j, int64_t k) {
    const SNPRecord& a = genome.sumSNP[j];
    const SNPRecord& b = genome.sumSNP[k];
    std::fprintf(file, "%d\t%ld\t%f\t%s\t%ld\tstart\n", a.chr, a.position, a.genetMap,
                 a.rsID.c_str(), a.foldOverlap[column]);
    std::fprintf(file, "%d\t%ld\t%f\t%s\t%ld\tend\n", b.chr, b.position, b.genetMap, b.rsID.c_str(),
                 b.foldOverlap[column]);
  });
  return closeOutput(file, path);
}

int fOutput_start_end_text(const std::string& path, const std::string& title, int kind) {
  FILE* file = openOutput(path);
  if (file == nullptr) fatal("\nCan't output\"%s\"\n", path.c_str());
  if (!title.empty()) std::fprintf(file, "%s\n", title.c_str());
  // Only the three known kinds list segments; any other kind leaves the title alone.
  if (kind == enum_patients || kind == enum_controls || kind == enum_significance) {
    forEachSegment(-1, [&](int64_t j, int64_t k) {
      const SNPRecord& a = genome.sumSNP[j];
      const SNPRecord& b = genome.sumSNP[k];
      std::fprintf(file, "%d\t%ld\t%f\t%s\t%f\t%d\t%d\tstart\n", a.chr, a.position, a.genetMap,
                   a.rsID.c_str(), static_cast<double>(a.minusLogP), a.overlapCount[0],
                   a.overlapCount[1]);
      std::fprintf(file, "%d\t%ld\t%f\t%s\t%f\t%d\t%d\tend\n", b.chr, b.position, b.genetMap,
                   b.rsID.c_str(), static_cast<double>(b.minusLogP), b.overlapCount[0],
                   b.overlapCount[1]);
    });
  }
  return closeOutput(file, path);
}
