// The per-chromosome fold-overlap summary file: every SNP of the slot with
// each subject's cover counter and the level; counts of SNPs outside the
// analysis regions in parentheses. The run merges these files in slot order.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/ordered_rows.h"
#include "base/output.h"
#include "base/text_buffer.h"
#include "base/unnamed_output.h"
#include "genome/model.h"
#include "hh/engine_internal.h"
#include "hh/engine_options.h"
#include "hh/hh.h"

void writeFoldSummaryFile(int pool, int n, int chr) {
  const char* poolName = settings.stringTgPool[pool];
  const std::string name = outName("%sHH_FoldOverlap_Summary_%s_chr%03d.txt",
                                   settings.outputFilePath.c_str(), poolName, chr + 1);
  // Straight into the pass's whole-genome file where there is one: the
  // slots come in order, so its bytes are those of merging the slots' files.
  UnnamedOutput* whole = pass.foldSummary;
  FILE* file = whole != nullptr ? whole->stream() : openOutput(name);
  if (file == nullptr) {
    fatal("ERROR: Can't output\"%sHH_FoldOverlap_Summary_%s_chr%03d.txt\n",
          settings.outputFilePath.c_str(), poolName, chr + 1);
  }
  const int64_t s = slotBegin(chr), e = slotEnd(chr);
  // Which SNPs of the slot lie in some region: the same answer as isInRegion
  // per SNP, without searching every region for every SNP.
  std::vector<uint8_t> inRegion(static_cast<size_t>(e - s), 0);
  const int64_t regions =
      std::min<int64_t>(genome.noRegions, static_cast<int64_t>(genome.includeRegion.size()));
  for (int64_t r = 0; r < regions; ++r) {
    const Region& region = genome.includeRegion[static_cast<size_t>(r)];
    for (int64_t k = std::max(region.start, s); k <= std::min(region.end, e - 1); ++k) {
      inRegion[static_cast<size_t>(k - s)] = 1;
    }
  }
  {
    // A row per SNP and a count per subject: formatted without a printf call
    // per number, with the same bytes.
    TextBuffer text(file);
    // Only chromosome 1 carries the header, so the merged file has one.
    if (chr == 0) {
      text.text("chr\tpos\tgen map\trsID\t'A' frequency\t");
      for (int j = 0; j < n; ++j) text.text(subjectName(pool, j)).ch('\t');
      text.text("overlaps\tNo.\n");
    }
    writeRowsInOrder(text, s, e, engineThreads(), [&](TextBuffer& row, int64_t k) {
      const SNPRecord& snp = genome.sumSNP[k];
      row.integer(snp.chr).ch('\t').integer(snp.position).ch('\t').fixed6(snp.genetMap).ch('\t');
      row.text(snp.rsID).ch('\t').fixed6(static_cast<double>(snp.freqA)).ch('\t');
      // The counters are written straight into the row: at hundreds of
      // subjects they are most of the file's bytes.
      char* at = row.reserve(static_cast<size_t>(n + 2) * (TextBuffer::kIntegerBytes + 3));
      const uint16_t* counts = snp.rchhCount;
      if (inRegion[static_cast<size_t>(k - s)]) {
        for (int j = 0; j < n; ++j) {
          at = TextBuffer::putInteger(at, counts[j]);
          *at++ = '\t';
        }
        at = TextBuffer::putInteger(at, snp.foldOverlap[pool]);
      } else {
        for (int j = 0; j < n; ++j) {
          *at++ = '(';
          at = TextBuffer::putInteger(at, counts[j]);
          *at++ = ')';
          *at++ = '\t';
        }
        *at++ = '(';
        at = TextBuffer::putInteger(at, snp.foldOverlap[pool]);
        *at++ = ')';
      }
      *at++ = '\t';
      at = TextBuffer::putInteger(at, k);
      *at++ = '\n';
      row.commit(at);
    });
  }
  if (whole != nullptr) {
    // A full disk is reported at the slot where it happened, with the name
    // of the file its bytes are for.
    whole->flush(
        outName("%sHH_FoldOverlap_Summary_%s.txt", settings.outputFilePath.c_str(), poolName));
  } else {
    closeOutput(file, name);
  }
}
