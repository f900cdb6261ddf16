// The straightforward pair scan and level search: the reference that any
// faster kernel must match.
#include "hh/kernel.h"

bool toleratedDiscordance(const uint8_t* codes1, const uint8_t* codes2, int64_t count, int64_t i,
                          const SharingRule& rule) {
  if (rule.strict() || !oppositeHomozygotes(codes1[i], codes2[i])) return false;
  if (i > 0 && oppositeHomozygotes(codes1[i - 1], codes2[i - 1])) return false;
  if (i + 1 < count && oppositeHomozygotes(codes1[i + 1], codes2[i + 1])) return false;
  int near = 0;
  for (int64_t k = i - rule.window; k <= i + rule.window; ++k) {
    if (k >= 0 && k < count && oppositeHomozygotes(codes1[k], codes2[k])) ++near;
  }
  return near <= rule.allowed;
}

PairTotals scanPair(const SlotSpan& slot, const uint8_t* codes1, const uint8_t* codes2,
                    double cutoff, int64_t largeGap, uint16_t* startFlag, uint16_t* endFlag,
                    uint8_t* covered, const SharingRule& rule) {
  PairTotals totals;
  const int64_t count = slot.count;
  for (int64_t k = 0; k < count; ++k) {
    startFlag[k] = 0;
    endFlag[k] = 0;
    covered[k] = 0;
  }
  const int64_t* pos = slot.position;
  const double* map = slot.genetMap;
  int64_t start = 0;         // first SNP of the stretch in hand
  int64_t coveredUpTo = -1;  // last SNP already marked covered
  // The first SNP is never a boundary: a stretch always reaches past it.
  for (int64_t i = 1; i < count; ++i) {
    const bool lastSnp = i == count - 1;
    const bool gapAfter = !lastSnp && pos[i + 1] - pos[i] >= largeGap;
    const bool ends = oppositeHomozygotes(codes1[i], codes2[i]) &&
                      !toleratedDiscordance(codes1, codes2, count, i, rule);
    if (!ends && !lastSnp && !gapAfter) continue;
    const double length = map[i] - map[start];
    if (length >= cutoff) {  // a NaN length never qualifies
      startFlag[start] = 1;
      endFlag[i] = 1;
      // An end counts as discordant only when it was not made by a large gap
      // (or the slot's end): there the next SNP disagrees.
      if (start != 0 && pos[start] - pos[start - 1] < largeGap) totals.discordantEnds += 0.5;
      if (!lastSnp && pos[i + 1] - pos[i] < largeGap) totals.discordantEnds += 0.5;
      totals.cMConserved += length;
      // RCHHs come in table order and overlap at most in one SNP, so the union
      // is built by marking from just past what is already covered.
      for (int64_t k = start > coveredUpTo ? start : coveredUpTo + 1; k <= i; ++k) covered[k] = 1;
      coveredUpTo = i;
    }
    // An opposite-homozygote SNP ends this stretch and starts the next one.
    if (!lastSnp) start = gapAfter ? i + 1 : i;
  }
  return totals;
}

uint32_t foldLevel(const uint16_t* counts, int n) {
  for (int level = 0; level < n; ++level) {
    int reaching = 0;
    for (int j = 0; j < n; ++j) {
      if (counts[j] >= level) ++reaching;
    }
    if (reaching <= level) return static_cast<uint32_t>(level);
  }
  return n > 0 ? static_cast<uint32_t>(n) : 0;
}
