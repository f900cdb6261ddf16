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
// does not pass it over; the candidates (opposite homozygotes and forced
// ends) are tested one at a time in the direction of the search, and the
// first that ends a stretch is the answer.
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
    uint64_t from = ~uint64_t{0} << (i & 63);
    for (;; ++w, from = ~uint64_t{0}) {
      const uint64_t forced = forced_[w] & from;
      for (uint64_t bits = (discordant(w) & from) | forced; bits != 0; bits &= bits - 1) {
        const int b = std::countr_zero(bits);
        if (((forced >> b) & 1) != 0 || endsAt((w << 6) + b)) return (w << 6) + b;
      }
    }
  }

  // The last stretch end in [lo, hi] (1 <= lo <= hi), or -1 when none.
  int64_t lastIn(int64_t lo, int64_t hi) const {
    const int64_t lowWord = lo >> 6;
    uint64_t upTo = ~uint64_t{0} >> (63 - (hi & 63));
    for (int64_t w = hi >> 6; w >= lowWord; --w, upTo = ~uint64_t{0}) {
      uint64_t within = upTo;
      if (w == lowWord) within &= ~uint64_t{0} << (lo & 63);
      const uint64_t forced = forced_[w] & within;
      for (uint64_t bits = (discordant(w) & within) | forced; bits != 0;) {
        const int b = 63 - std::countl_zero(bits);
        if (((forced >> b) & 1) != 0 || endsAt((w << 6) + b)) return (w << 6) + b;
        bits &= ~(uint64_t{1} << b);
      }
    }
    return -1;
  }

  // Opposite homozygotes at SNPs lo..hi (0 <= lo <= hi < 64 * words).
  int64_t discordantIn(int64_t lo, int64_t hi) const {
    int64_t n = 0;
    for (int64_t w = lo >> 6; w <= hi >> 6; ++w) {
      uint64_t bits = discordant(w);
      if (w == lo >> 6) bits &= ~uint64_t{0} << (lo & 63);
      if (w == hi >> 6) bits &= ~uint64_t{0} >> (63 - (hi & 63));
      n += std::popcount(bits);
    }
    return n;
  }

 private:
  // AA of one subject against BB of the other, either way round.
  uint64_t discordant(int64_t w) const {
    return (calls1_[2 * w] & calls2_[2 * w + 1]) | (calls1_[2 * w + 1] & calls2_[2 * w]);
  }

  bool discordantAt(int64_t k) const { return (discordant(k >> 6) >> (k & 63)) & 1; }

  // Whether the opposite homozygote at SNP k ends a stretch: always under the
  // strict rule; under a tolerant one when a neighbour is one too or more
  // than `allowed` lie within the window. Most opposite homozygotes of two
  // unrelated subjects have another close by, so the first test found is
  // usually the answer; the bits past the slot's end are zero.
  bool endsAt(int64_t k) const {
    if (rule_.strict()) return true;
    if ((k > 0 && discordantAt(k - 1)) || (k + 1 < 64 * words_ && discordantAt(k + 1))) return true;
    const int64_t lo = std::max<int64_t>(k - rule_.window, 0);
    const int64_t hi = std::min<int64_t>(k + rule_.window, 64 * words_ - 1);
    return discordantIn(lo, hi) > rule_.allowed;
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
  return PairEnds(slot, calls1, calls2, SharingRule{}).discordantIn(first, last);
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
