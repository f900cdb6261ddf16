// One slot in bit-parallel form, built once per slot and shared read-only by
// every pair: each subject's AA and BB calls as bitsets, the stretch ends that
// do not depend on the calls, and how far a stretch must reach to be long
// enough.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct PackedSlot {
  int64_t count = 0;                  // SNPs in the slot
  int64_t words = 0;                  // 64-bit words per bitset, bit i = SNP i
  const int64_t* position = nullptr;  // bp, count entries (not owned)
  const double* genetMap = nullptr;   // cM, count entries (not owned)
  // Bit i: SNP i ends a stretch whatever the calls, because a large gap
  // follows it or it is the last SNP. Bit 0 is never set: the first SNP is
  // never a stretch end.
  std::vector<uint64_t> forced;
  // Bit i: position[i + 1] - position[i] >= largeGap.
  std::vector<uint64_t> gapAfter;
  // reach[i]: the first SNP j >= i with genetMap[j] - genetMap[i] >= cutoff,
  // count when there is none. Empty when the map is not finite and
  // non-decreasing (then no stretch may be passed over unexamined), or when
  // the slot is too long for 32-bit indexes. 32 bits keep it in cache.
  std::vector<int32_t> reach;
  int subjects = 0;
  // Per subject, word by word, the AA word and then the BB word, so that the
  // two words a pair scan reads of one subject share a cache line.
  std::vector<uint64_t> homozygotes;

  const uint64_t* calls(int st) const {
    return homozygotes.data() + 2 * words * static_cast<int64_t>(st);
  }
  bool gapAfterSnp(int64_t i) const {
    return (gapAfter[static_cast<size_t>(i >> 6)] >> (i & 63)) & 1;
  }
};

// Positions, map, the call-independent ends and the reach table of a slot.
// The arrays must outlive `slot`.
void packSlotMap(const int64_t* position, const double* genetMap, int64_t count, double cutoff,
                 int64_t largeGap, PackedSlot& slot);

// The AA and BB bitsets of subjects 0 to subjects - 1; codeRows[k][st] is the
// genotype code of subject st at SNP k.
void packSlotCalls(const uint8_t* const* codeRows, int subjects, PackedSlot& slot);
