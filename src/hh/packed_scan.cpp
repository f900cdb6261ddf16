// The bit-parallel pair scan.
//
// A stretch ends at SNP i (i >= 1) when the pair is AA/BB there, a large gap
// follows, or i is the last SNP; the first two are one OR of four bitset
// words and a precomputed word. Stretches are visited in slot order: the one
// after an end e starts at e (or at e + 1 past a large gap) and ends at the
// next end after e. When the map is non-decreasing, a stretch from `start`
// is long enough exactly when it ends at or after reach[start], and later
// stretches need at least as much; so every stretch ending before that SNP is
// passed over at once by looking back for the last end before it.
#include "hh/packed_scan.h"

#include <bit>

namespace {

class PairEnds {
 public:
  PairEnds(const PackedSlot& slot, const uint64_t* calls1, const uint64_t* calls2)
      : calls1_(calls1), calls2_(calls2), forced_(slot.forced.data()) {}

  // The first stretch end at or after SNP i (1 <= i < count); there is always
  // one, the last SNP.
  int64_t next(int64_t i) const {
    int64_t w = i >> 6;
    uint64_t bits = word(w) & (~uint64_t{0} << (i & 63));
    while (bits == 0) bits = word(++w);
    return (w << 6) + std::countr_zero(bits);
  }

  // The last stretch end in [lo, hi] (1 <= lo <= hi), or -1 when none.
  int64_t lastIn(int64_t lo, int64_t hi) const {
    int64_t w = hi >> 6;
    const int64_t lowWord = lo >> 6;
    uint64_t bits = word(w) & (~uint64_t{0} >> (63 - (hi & 63)));
    for (;;) {
      if (w == lowWord) bits &= ~uint64_t{0} << (lo & 63);
      if (bits != 0) return (w << 6) + 63 - std::countl_zero(bits);
      if (w == lowWord) return -1;
      bits = word(--w);
    }
  }

 private:
  // AA of one subject against BB of the other, either way round.
  uint64_t word(int64_t w) const {
    return (calls1_[2 * w] & calls2_[2 * w + 1]) | (calls1_[2 * w + 1] & calls2_[2 * w]) |
           forced_[w];
  }

  const uint64_t *calls1_, *calls2_, *forced_;
};

}  // namespace

PairTotals scanPackedPair(const PackedSlot& slot, int st1, int st2, double cutoff,
                          std::vector<CoverRun>& cover) {
  return scanPackedCalls(slot, slot.calls(st1), slot.calls(st2), cutoff, cover);
}

PairTotals scanPackedCalls(const PackedSlot& slot, const uint64_t* calls1, const uint64_t* calls2,
                           double cutoff, std::vector<CoverRun>& cover) {
  PairTotals totals;
  const int64_t count = slot.count;
  if (count < 2) return totals;  // the first SNP is never tested as an end
  const PairEnds ends(slot, calls1, calls2);
  const double* map = slot.genetMap;
  const int32_t* reach = slot.reach.empty() ? nullptr : slot.reach.data();
  const int64_t last = count - 1;
  int64_t previousEnd = 0;  // the stretch in hand ends at the first end after this
  int64_t start = 0;
  CoverRun run{-1, -2};  // the union grown so far, not yet appended
  for (;;) {
    if (reach != nullptr) {
      const int64_t needed = reach[start];
      if (needed > last) break;  // no stretch from here on is long enough
      if (needed - 1 > previousEnd) {
        const int64_t passed = ends.lastIn(previousEnd + 1, needed - 1);
        if (passed >= 0) {  // every stretch up to `passed` is too short
          previousEnd = passed;
          start = slot.gapAfterSnp(passed) ? passed + 1 : passed;
          continue;
        }
      }
    }
    const int64_t end = ends.next(previousEnd + 1);
    const double length = map[end] - map[start];
    if (length >= cutoff) {  // a NaN length never qualifies
      // Ends made by a large gap or the slot's end are not discordant.
      if (start != 0 && !slot.gapAfterSnp(start - 1)) totals.discordantEnds += 0.5;
      if (end != last && !slot.gapAfterSnp(end)) totals.discordantEnds += 0.5;
      totals.cMConserved += length;
      if (start <= run.last + 1) {
        run.last = end;
      } else {
        if (run.first >= 0) cover.push_back(run);
        run = CoverRun{start, end};
      }
    }
    if (end == last) break;
    previousEnd = end;
    start = slot.gapAfterSnp(end) ? end + 1 : end;
  }
  if (run.first >= 0) cover.push_back(run);
  return totals;
}
