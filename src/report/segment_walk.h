// The segment walk: how every writer reads back the segments that
// Set_up_start_end (or the RCHH scan) recorded in startFlag/endFlag.
#pragma once
#include "genome/model.h"

template <typename Visit>
void forEachSegment(int chrIndex, Visit visit) {
  int64_t lo = 0, hi = 0;
  if (chrIndex >= 0) {
    lo = slotBegin(chrIndex);
    hi = slotEnd(chrIndex);
  }
  for (int64_t r = 0; r < genome.noRegions; ++r) {
    const Region& region = genome.includeRegion[r];
    if (region.start > region.end) continue;
    if (chrIndex >= 0 && (region.start < lo || region.end >= hi)) continue;
    for (int64_t j = region.start; j <= region.end; ++j) {
      if (genome.sumSNP[j].startFlag != 1) continue;
      int64_t k = j;
      while (k <= region.end && genome.sumSNP[k].endFlag != 1) ++k;
      if (k > region.end) break;  // a start without its end inside the region is skipped
      visit(j, k);
      j = k;
    }
  }
}
