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
//
// Under a tolerant rule an opposite homozygote is an end only when the rule
// does not pass it over; which it passes depends on the calls of the words
// either side, so each word's ends are worked out from three words.
#include "hh/packed_scan.h"

#include <algorithm>
#include <bit>

namespace {

class PairEnds {
 public:
  PairEnds(const PackedSlot& slot, const uint64_t* calls1, const uint64_t* calls2,
           const SharingRule& rule)
      : calls1_(calls1),
        calls2_(calls2),
        forced_(slot.forced.data()),
        words_(slot.words),
        rule_(rule) {}

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

  // AA of one subject against BB of the other, either way round.
  uint64_t discordant(int64_t w) const {
    return (calls1_[2 * w] & calls2_[2 * w + 1]) | (calls1_[2 * w + 1] & calls2_[2 * w]);
  }

 private:
  uint64_t word(int64_t w) const {
    uint64_t d = discordant(w);
    if (!rule_.strict() && d != 0) d &= ~tolerated(w, d);
    return d | forced_[w];
  }

  // The opposite homozygotes of word w (`d`) that the rule passes over.
  uint64_t tolerated(int64_t w, uint64_t d) const {
    using Wide = unsigned __int128;
    const uint64_t before = w > 0 ? discordant(w - 1) : 0;
    const uint64_t after = w + 1 < words_ ? discordant(w + 1) : 0;
    const uint64_t neighbours = (d << 1) | (before >> 63) | (d >> 1) | (after << 63);
    const uint64_t candidates = d & ~neighbours;
    if (candidates == 0) return 0;
    const int window = rule_.window;
    if (rule_.allowed == 1) {
      // No other within the window: smear the later ones down and the
      // earlier ones up over `window` bits, doubling the span each step.
      Wide later = ((static_cast<Wide>(after) << 64) | d) >> 1;
      Wide earlier = ((static_cast<Wide>(d) << 64) | before) << 1;
      for (int span = 1; span < window;) {
        const int shift = std::min(span, window - span);
        later |= later >> shift;
        earlier |= earlier << shift;
        span += shift;
      }
      return candidates & ~static_cast<uint64_t>(later) & ~static_cast<uint64_t>(earlier >> 64);
    }
    // Several allowed: count each candidate's window across the three words.
    const uint64_t three[3] = {before, d, after};
    uint64_t kept = 0;
    for (uint64_t bits = candidates; bits != 0; bits &= bits - 1) {
      const int i = std::countr_zero(bits) + 64;  // position in the three words
      int near = 0;
      for (int part = 0; part < 3; ++part) {
        const int lo = std::max(i - window - 64 * part, 0);
        const int hi = std::min(i + window - 64 * part, 63);
        if (lo > hi) continue;
        const uint64_t mask = (~uint64_t{0} >> (63 - hi)) & (~uint64_t{0} << lo);
        near += std::popcount(three[part] & mask);
      }
      if (near <= rule_.allowed) kept |= bits & -bits;
    }
    return kept;
  }

  const uint64_t *calls1_, *calls2_, *forced_;
  int64_t words_;
  SharingRule rule_;
};

}  // namespace

PairTotals scanPackedPair(const PackedSlot& slot, int st1, int st2, double cutoff,
                          std::vector<CoverRun>& cover, const SharingRule& rule) {
  return scanPackedCalls(slot, slot.calls(st1), slot.calls(st2), cutoff, cover, rule);
}

int64_t countDiscordant(const PackedSlot& slot, const uint64_t* calls1, const uint64_t* calls2,
                        int64_t first, int64_t last) {
  const PairEnds ends(slot, calls1, calls2, SharingRule{});
  int64_t n = 0;
  for (int64_t w = first >> 6; w <= last >> 6; ++w) {
    uint64_t bits = ends.discordant(w);
    if (w == first >> 6) bits &= ~uint64_t{0} << (first & 63);
    if (w == last >> 6) bits &= ~uint64_t{0} >> (63 - (last & 63));
    n += std::popcount(bits);
  }
  return n;
}

PairTotals scanPackedCalls(const PackedSlot& slot, const uint64_t* calls1, const uint64_t* calls2,
                           double cutoff, std::vector<CoverRun>& cover, const SharingRule& rule) {
  PairTotals totals;
  const int64_t count = slot.count;
  if (count < 2) return totals;  // the first SNP is never tested as an end
  const PairEnds ends(slot, calls1, calls2, rule);
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
