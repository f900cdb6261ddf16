// The straightforward kernels over plain arrays: the RCHH scan of one pair on
// one slot, and the fold-overlap level of one SNP. They know nothing of the SNP
// records or the globals. The bit-parallel engine (packed_scan.h, level_count.h)
// is checked against them; they still serve single-pair calls and the
// straightforward engine of engine_options.h.
#pragma once
#include <cstdint>

// Opposite homozygotes: one subject AA (code 1), the other BB (code 2). No call
// (0) and AB (3) never break a conserved stretch.
inline bool oppositeHomozygotes(uint8_t a, uint8_t b) {
  return (a == 1 && b == 2) || (a == 2 && b == 1);
}

// Which opposite homozygotes end a shared stretch. Strict (allowed 0): every
// one, velmora's rule. Tolerant: an opposite homozygote at SNP i is passed
// over as a likely genotyping error when neither neighbour (i - 1, i + 1) is
// one and at most `allowed` opposite homozygotes, i included, lie within
// `window` SNPs either side (i - window .. i + window, within the slot).
struct SharingRule {
  int allowed = 0;  // 0: strict
  int window = 0;   // SNPs either side, 1..kMaxToleranceWindow when tolerant
  bool strict() const { return allowed == 0; }
};
// The window fits three bitset words, the one holding i and its neighbours.
constexpr int kMaxToleranceWindow = 63;

// Whether the opposite homozygote at SNP i (0 <= i < count) is passed over
// under `rule`: the straightforward test that the packed scan must match.
bool toleratedDiscordance(const uint8_t* codes1, const uint8_t* codes2, int64_t count, int64_t i,
                          const SharingRule& rule);

// One chromosome slot as plain arrays; index 0 is the slot's first SNP.
struct SlotSpan {
  int64_t count = 0;                  // SNPs in the slot
  const int64_t* position = nullptr;  // bp
  const double* genetMap = nullptr;   // cM
};

// What one pair scan adds up.
struct PairTotals {
  double cMConserved = 0;     // cM, summed lengths of the RCHHs found
  double discordantEnds = 0;  // 0.5 per RCHH end on an opposite-homozygote SNP
};

// Scans the HHs codes1/codes2 (slot.count codes each) for the RCHHs whose
// genetic length reaches `cutoff` (cM); a gap of at least `largeGap` bp between
// neighbouring SNPs ends a stretch. Rewrites startFlag/endFlag (1 at the first
// and last SNP of every RCHH) and covered (1 on every SNP of the union of the
// RCHHs, so a SNP where two RCHHs meet, or an RCHH of one SNP, is covered once).
// Under a tolerant `rule` the opposite homozygotes it passes over end nothing.
PairTotals scanPair(const SlotSpan& slot, const uint8_t* codes1, const uint8_t* codes2,
                    double cutoff, int64_t largeGap, uint16_t* startFlag, uint16_t* endFlag,
                    uint8_t* covered, const SharingRule& rule = SharingRule{});

// Fold-overlap level of one SNP from the cover counters of its n subjects: the
// smallest L such that at most L subjects have a counter of at least L (0 when
// n is 0, never above n).
uint32_t foldLevel(const uint16_t* counts, int n);
