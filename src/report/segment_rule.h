// The segment rule every start/end list follows, in one place: within an
// analysis region, SNPs with a non-zero mark form segments of equal marks,
// and a segment closes at the region's end, at a gap of at least the large
// gap, and where the mark changes. The pass marks SNPs by level (or by the
// pair key of both pools' levels); the relabellings mark them by the levels
// of each labelling.
#pragma once
#include <cstdint>

// Calls visit(firstSnp, lastSnp) for each segment of the region first..last
// (inclusive), in order. `mark(k)` is the SNP's mark (0: in no segment),
// `position(k)` its position in bp; indexes are the caller's.
template <class Mark, class Position, class Visit>
void forEachSegmentOfRegion(int64_t first, int64_t last, int64_t largeGap, const Mark& mark,
                            const Position& position, const Visit& visit) {
  int64_t runStart = -1;  // first SNP of the open segment, -1 when none is open
  for (int64_t k = first; k <= last; ++k) {
    const auto m = mark(k);
    if (runStart < 0 && m == 0) continue;
    if (runStart < 0) runStart = k;
    if (k == last || position(k + 1) - position(k) >= largeGap || mark(k + 1) != m) {
      visit(runStart, k);
      runStart = -1;
    }
  }
}
