// The segment walk: how every writer reads back the segments that
// Set_up_start_end (or the RCHH scan) recorded in startFlag/endFlag.
#pragma once
#include "genome/model.h"

template <typename StartFlag, typename EndFlag, typename Visit>
void walkSegments(int chrIndex, const StartFlag& startFlag, const EndFlag& endFlag, Visit& visit) {
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
      if (startFlag(j) != 1) continue;
      int64_t k = j;
      while (k <= region.end && endFlag(k) != 1) ++k;
      if (k > region.end) break;  // a start without its end inside the region is skipped
      visit(j, k);
      j = k;
    }
  }
}

template <typename Visit>
void forEachSegment(int chrIndex, Visit visit) {
  walkSegments(
      chrIndex, [](int64_t j) { return genome.sumSNP[j].startFlag; },
      [](int64_t k) { return genome.sumSNP[k].endFlag; }, visit);
}

// Only regions wholly inside the slot are walked, so every index is the slot's.
template <typename Visit>
void forEachSegment(int chrIndex, const SlotFlags& flags, Visit visit) {
  walkSegments(
      chrIndex, [&](int64_t j) { return flags.start[static_cast<size_t>(j - flags.first)]; },
      [&](int64_t k) { return flags.end[static_cast<size_t>(k - flags.first)]; }, visit);
}
