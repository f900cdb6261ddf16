// The per-chromosome fold-overlap summary file: every SNP of the slot with
// each subject's cover counter and the level; counts of SNPs outside the
// analysis regions in parentheses. The run merges these files in slot order.
#include <cstdio>

#include "driver/lines/output.h"
#include "genome/model.h"
#include "hh/engine_internal.h"
#include "hh/hh.h"

void writeFoldSummaryFile(int pool, int n, int chr) {
  const char* poolName = settings.stringTgPool[pool];
  const std::string name = outName("%sHH_FoldOverlap_Summary_%s_chr%03d.txt",
                                   settings.outputFilePath.c_str(), poolName, chr + 1);
  FILE* file = std::fopen(name.c_str(), "w");
  if (file == nullptr) {
    fatal("ERROR: Can't output\"%sHH_FoldOverlap_Summary_%s_chr%03d.txt\n",
          settings.outputFilePath.c_str(), poolName, chr + 1);
  }
  // Only chromosome 1 carries the header, so the merged file has one.
  if (chr == 0) {
    std::fprintf(file, "chr\tpos\tgen map\trsID\t'A' frequency\t");
    for (int j = 0; j < n; ++j) std::fprintf(file, "%s\t", subjectName(pool, j));
    std::fprintf(file, "overlaps\tNo.\n");
  }
  for (int64_t k = slotBegin(chr); k < slotEnd(chr); ++k) {
    const SNPRecord& snp = genome.sumSNP[k];
    std::fprintf(file, "%d\t%ld\t%f\t%s\t%f\t", snp.chr, static_cast<long>(snp.position),
                 snp.genetMap, snp.rsID.c_str(), static_cast<double>(snp.freqA));
    if (isInRegion(k, genome.noRegions) == 1) {
      for (int j = 0; j < n; ++j) std::fprintf(file, "%d\t", snp.rchhCount[j]);
      std::fprintf(file, "%ld\t%ld\n", static_cast<long>(snp.foldOverlap[pool]),
                   static_cast<long>(k));
    } else {
      for (int j = 0; j < n; ++j) std::fprintf(file, "(%d)\t", snp.rchhCount[j]);
      std::fprintf(file, "(%ld)\t%ld\n", static_cast<long>(snp.foldOverlap[pool]),
                   static_cast<long>(k));
    }
  }
  closeOutput(file, name);
}
