// Fold-overlap reports: the per-chromosome text of the segments shared by at
// least W subjects with the names of the sharing subjects, and a pool's
// whole-genome figure and list of constant fold overlap.
#include "base/lines.h"
#include "base/output.h"
#include "report/report.h"

namespace {

// " name" for every subject that shares an RCHH covering the SNP with at least
// W - 1 others, then the line end.
void writeSubjects(FILE* file, const SNPRecord& snp, int nSubjects, int64_t W, int pool) {
  for (int l = 0; l < nSubjects; ++l) {
    if (static_cast<int64_t>(snp.rchhCount[l]) >= W - 1) {
      std::fprintf(file, " %s", fileNameBody(settings.stFile[pool][l].c_str()));
    }
  }
  std::fprintf(file, "\n");
}

}  // namespace

namespace {

void requireTextArguments(int nSubjects, int pool, int chrIndex, int flagIndex) {
  if (pool != enum_patients && pool != enum_controls) fatal("ERROR: No pool %d\n", pool);
  if (nSubjects < 0 || static_cast<size_t>(nSubjects) > settings.stFile[pool].size()) {
    fatal("ERROR: %d subjects asked for, the %s has %zu\n", nSubjects, settings.stringTgPool[pool],
          settings.stFile[pool].size());
  }
  if (chrIndex < 0 || static_cast<size_t>(chrIndex) + 1 >= genome.chrPosition.size()) {
    fatal("ERROR: No chromosome slot %d to list\n", chrIndex);
  }
  if (flagIndex < 0 || static_cast<size_t>(flagIndex) >= pass.foldOverlapFileFlagTXT.size()) {
    fatal("ERROR: No fold-count flag %d for the fold-overlap text\n", flagIndex);
  }
}

void writeFoldText(FILE* file, int nSubjects, int64_t W, int pool, int chrIndex) {
  forEachSegment(chrIndex, [&](int64_t j, int64_t k) {
    const SNPRecord& a = genome.sumSNP[j];
    const SNPRecord& b = genome.sumSNP[k];
    if (nSubjects > 0 && (a.rchhCount == nullptr || b.rchhCount == nullptr)) {
      fatal("ERROR: No RCHH counts on chromosome slot %d for the fold-overlap text\n", chrIndex);
    }
    std::fprintf(file, "%d\t%ld\t%f\t%s\tstart\tSubjects\t", a.chr, a.position, a.genetMap,
                 a.rsID.c_str());
    writeSubjects(file, a, nSubjects, W, pool);
    std::fprintf(file, "%d\t%ld\t%f\t%s\tend\tSubjects\t", b.chr, b.position, b.genetMap,
                 b.rsID.c_str());
    writeSubjects(file, b, nSubjects, W, pool);
  });
}

}  // namespace

int Output_foldoverlap_textHH(const std::string& path, int nSubjects, int64_t W, int pool,
                              int chrIndex, int flagIndex) {
  requireTextArguments(nSubjects, pool, chrIndex, flagIndex);
  // The first text of a fold count in a pass is created; later ones append.
  const bool create = pass.foldOverlapFileFlagTXT[flagIndex] == 0;
  FILE* file = openOutput(path, create ? WriteMode::truncate : WriteMode::append);
  if (file == nullptr) fatal("ERROR: Can't output\"%s\"\n", path.c_str());
  if (create) pass.foldOverlapFileFlagTXT[flagIndex] = 1;
  writeFoldText(file, nSubjects, W, pool, chrIndex);
  return closeOutput(file, path);
}

void spoolFoldOverlapTextHH(PieceSpool& spool, const std::string& name, int nSubjects, int64_t W,
                            int pool, int chrIndex, int flagIndex) {
  requireTextArguments(nSubjects, pool, chrIndex, flagIndex);
  const bool create = pass.foldOverlapFileFlagTXT[flagIndex] == 0;
  FILE* piece = spool.begin(name, !create);
  if (create) pass.foldOverlapFileFlagTXT[flagIndex] = 1;
  writeFoldText(piece, nSubjects, W, pool, chrIndex);
  spool.finish();
}

int foldOverlapDrawFigures(int pool, int nSamples, int withRepresentative) {
  if (pool != enum_patients && pool != enum_controls) fatal("ERROR: No pool %d\n", pool);
  // Stretches of one constant nonzero fold overlap on every analysed slot (X excluded).
  for (int c = 0; c <= genome.lastChromosome - 2; ++c) Set_up_start_end(0, 0, pool, c);

  // Cubic shading against the run's largest fold overlap: the largest is black,
  // small counts are near white. With no sharing anywhere (maxOverlap 0) every
  // SNP gets shade 1 rather than 0/0.
  const double M = pass.maxOverlap;
  for (int64_t r = 0; r < genome.noRegions; ++r) {
    const Region& region = genome.includeRegion[r];
    for (int64_t i = region.start; i <= region.end; ++i) {
      SNPRecord& snp = genome.sumSNP[i];
      const double v = static_cast<double>(static_cast<uint64_t>(snp.foldOverlap[pool]));
      snp.shade = M == 0 ? 1.0f : static_cast<float>(1 - v * v * v / M / M / M);
    }
  }

  const char* poolName = settings.stringTgPool[pool];
  const std::string figure =
      withRepresentative == 0
          ? outName("%sHH_NoStSharingRCHHs_%s.ps", settings.outputFilePath.c_str(), poolName)
          : outName("%sHH_NoStSharingRCHHsWithRepresentative_%s.ps",
                    settings.outputFilePath.c_str(), poolName);
  Output_birds_eye_viewPS(figure, pool);

  char title[255];
  std::snprintf(title, sizeof title, "No_of_samples %d", nSamples);
  const std::string list =
      withRepresentative == 0
          ? outName("%sHH_NoStSharingRCHHs_%s.txt", settings.outputFilePath.c_str(), poolName)
          : outName("%sHH_NoStSharingRCHHsWithRepresentative_%s.txt",
                    settings.outputFilePath.c_str(), poolName);
  return Output_start_end_text(list, title, pool);
}
