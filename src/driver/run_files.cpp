// The HH summary file, the whole-genome merges and the representative file.
#include "driver/run_files.h"

#include <cstdio>
#include <string>

#include "driver/lines/lines.h"
#include "driver/lines/output.h"
#include "genome/model.h"
#include "report/report.h"

namespace {

const char* poolName(int pool) { return settings.stringTgPool[pool]; }
const char* outDir() { return settings.outputFilePath.c_str(); }

}  // namespace

bool copyLines(const char* from, FILE* to) {
  FILE* in = std::fopen(from, "r");
  if (in == nullptr) return false;
  std::string line;
  while (readWholeLine(in, line)) {
    std::fwrite(line.data(), 1, line.size(), to);
    std::fputc('\n', to);
  }
  std::fclose(in);
  return true;
}

void writeHHSummaryFile(int pool) {
  const std::string name =
      outName("%sHH_HomozygosityHaplotype_Summary_%s.txt", outDir(), poolName(pool));
  FILE* out = std::fopen(name.c_str(), "w");
  if (out == nullptr) {
    fatal("ERROR: Can't output\"%sHH_HomozygosityHaplotype_Summary_%s.txt\"\n", outDir(),
          poolName(pool));
  }
  const int n = settings.noTgPool[pool];
  std::fputs("chr\tpos\tgen map\trsID\t'A' frequency\t", out);
  for (int v = 0; v < n; ++v) std::fprintf(out, "%s\t", fileNameBody(settings.stFile[pool][v].c_str()));
  std::fputs("No.\n\n", out);
  for (int64_t k = 0; k < genome.totalAnnotationDataCount; ++k) {
    const SNPRecord& r = genome.sumSNP[k];
    std::fprintf(out, "%d\t%ld\t%f\t%s\t%f\t", r.chr, r.position, r.genetMap, r.rsID.c_str(),
                 static_cast<double>(r.freqA));
    for (int v = 0; v < n; ++v) {
      switch (getGType(r.gType[pool], static_cast<uint64_t>(v))) {
        case GTYPE_AA: std::fputs("A\t", out); break;
        case GTYPE_BB: std::fputs("B\t", out); break;
        default: std::fputc('\t', out); break;
      }
    }
    std::fprintf(out, "%ld\n", k);
  }
  closeOutput(out, name);
}

void mergeFoldOverlapSummary(int pool) {
  const std::string name = outName("%sHH_FoldOverlap_Summary_%s.txt", outDir(), poolName(pool));
  FILE* out = std::fopen(name.c_str(), "w");
  if (out == nullptr) fatal("ERROR: Can't output %s\n", name.c_str());
  std::fprintf(stderr, "\nWriting %s\n", name.c_str());
  for (int32_t k = 0; k < autosomeSlots(); ++k) {
    if (slotBegin(k) == slotEnd(k)) continue;
    const std::string piece =
        outName("%sHH_FoldOverlap_Summary_%s_chr%03d.txt", outDir(), poolName(pool), k + 1);
    if (copyLines(piece.c_str(), out)) std::remove(piece.c_str());
  }
  closeOutput(out, name);
}

namespace {

// The texts and figures merge alike; figures get the EPS header when created.
void mergeWholeGenomeFold(int pool, int n, const char* extension, bool figure) {
  for (long w = n; w >= 2; --w) {
    FILE* out = nullptr;
    std::string name;
    for (int32_t k = 0; k < autosomeSlots(); ++k) {
      if (slotBegin(k) == slotEnd(k)) continue;
      const std::string piece = outName("%sHH_%03ld_FoldOverlaps_%s_chr%03d.%s", outDir(), w,
                                        poolName(pool), k + 1, extension);
      FILE* probe = std::fopen(piece.c_str(), "r");
      if (probe == nullptr) continue;
      std::fclose(probe);
      if (out == nullptr) {
        name = outName("%sHH_%03ld_FoldOverlaps_%s.%s", outDir(), w, poolName(pool), extension);
        out = std::fopen(name.c_str(), "w");
        if (out == nullptr) fatal("ERROR: Can't output %s\n", name.c_str());
        std::fprintf(stderr, "Writing %s\n", name.c_str());
        if (figure) writeEpsHeader(out);
      }
      copyLines(piece.c_str(), out);
      std::remove(piece.c_str());
    }
    if (out != nullptr) closeOutput(out, name);
  }
}

}  // namespace

void mergeWholeGenomeFoldTexts(int pool, int n) { mergeWholeGenomeFold(pool, n, "txt", false); }

void mergeWholeGenomeFoldFigures(int pool, int n) { mergeWholeGenomeFold(pool, n, "ps", true); }

void writeRepresentativeFile() {
  const std::string name = outName("%sHH_Representative_PatientPool.txt", outDir());
  FILE* out = std::fopen(name.c_str(), "w");
  if (out == nullptr) fatal("ERROR: Can't output %sHH_Representative_PatientPool.txt\n", outDir());
  std::fprintf(stderr, "Writing %s\n", name.c_str());
  const uint64_t representative = static_cast<uint64_t>(settings.noTgPool[enum_patients]);
  for (int32_t k = 0; k < autosomeSlots(); ++k) {
    for (int64_t i = slotBegin(k); i < slotEnd(k); ++i) {
      const SNPRecord& r = genome.sumSNP[i];
      std::fprintf(out, "%d\t%ld\t", r.chr, r.position);
      switch (getGType(r.gType[enum_patients], representative)) {
        case GTYPE_AA: std::fputs("AA\t", out); break;
        case GTYPE_BB: std::fputs("BB\t", out); break;
        default: std::fputs("AB\t", out); break;
      }
      std::fprintf(out, "%f\t%s\t%ld\n", static_cast<double>(r.freqA), r.rsID.c_str(), i);
    }
  }
  closeOutput(out, name);
}
