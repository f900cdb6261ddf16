// Set_up_start_end: turns one column of per-SNP values of one chromosome into
// segments recorded in place by startFlag/endFlag.
#include <new>
#include <vector>

#include "base/output.h"
#include "report/report.h"
#include "report/segment_rule.h"

int flagSlotSegments(uint32_t threshold, int mode, int column, int chrIndex, SlotFlags& flags) {
  if (chrIndex < 0 || static_cast<size_t>(chrIndex) + 1 >= genome.chrPosition.size() ||
      column < 0 || column > 2) {
    fatal("ERROR: Segments asked for chromosome slot %d, column %d, which do not exist\n", chrIndex,
          column);
  }
  const int64_t s = slotBegin(chrIndex), e = slotEnd(chrIndex);  // SNP table indexes
  if (s < 0 || s > e || e > static_cast<int64_t>(genome.sumSNP.size())) {
    fatal("ERROR: Chromosome slot %d does not fit the SNP table\n", chrIndex);
  }

  // One mark per SNP of the slot: 0 = outside any segment; otherwise the value
  // whose equal neighbours join the same segment.
  std::vector<uint64_t>& marks = flags.marks;
  try {
    marks.assign(static_cast<size_t>(e - s), 0);
    flags.first = s;
    flags.start.assign(static_cast<size_t>(e - s), 0);
    flags.end.assign(static_cast<size_t>(e - s), 0);
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Failed to allocate memory\n");
  }
  for (int64_t i = s; i < e; ++i) {
    // The value is read as unsigned, so the comparison is unsigned too.
    const uint64_t v = static_cast<uint64_t>(genome.sumSNP[i].foldOverlap[column]);
    if (v < threshold) continue;
    if (mode == 0) {
      marks[i - s] = v;
    } else if (mode == 1) {
      marks[i - s] = 1;
    }
  }
  auto mark = [&](int64_t i) { return marks[i - s]; };

  int result = 0;
  for (int64_t r = 0; r < genome.noRegions; ++r) {
    const Region& region = genome.includeRegion[r];
    if (region.start < s || region.end >= e || region.start > region.end) continue;
    forEachSegmentOfRegion(
        region.start, region.end, settings.largeGap, mark,
        [](int64_t k) { return genome.sumSNP[k].position; },
        [&](int64_t first, int64_t last) {
          flags.start[static_cast<size_t>(first - s)] = 1;
          flags.end[static_cast<size_t>(last - s)] = 1;
          result = 1;
        });
  }
  return result;
}

int Set_up_start_end(uint32_t threshold, int mode, int column, int chrIndex) {
  SlotFlags flags;
  const int result = flagSlotSegments(threshold, mode, column, chrIndex, flags);
  for (size_t i = 0; i < flags.start.size(); ++i) {
    SNPRecord& snp = genome.sumSNP[flags.first + static_cast<int64_t>(i)];
    snp.startFlag = flags.start[i];
    snp.endFlag = flags.end[i];
  }
  return result;
}
