// The bit-parallel pair scan: the RCHHs of one pair on a packed slot, found
// from stretch end to stretch end 64 SNPs at a time, with the stretches too
// short for the cutoff passed over unexamined where the map allows.
#pragma once
#include <cstdint>
#include <vector>

#include "hh/kernel.h"
#include "hh/packed_slot.h"

// A run of SNPs covered by a pair's RCHHs, first and last inclusive (indexes
// within the slot). Runs come in slot order and neither overlap nor touch.
struct CoverRun {
  int64_t first;
  int64_t last;
};

// The RCHHs of subjects st1 and st2 of `slot` that reach `cutoff` (cM): the
// same totals, summed in the same order, as scanPair, and the union of the
// RCHHs appended to `cover` as runs.
// Under a tolerant `rule` the opposite homozygotes it passes over end
// nothing, as in scanPair.
PairTotals scanPackedPair(const PackedSlot& slot, int st1, int st2, double cutoff,
                          std::vector<CoverRun>& cover, const SharingRule& rule = SharingRule{});

// The same scan for two call sets laid out as PackedSlot::calls gives them
// (per word, the AA word then the BB word; `slot.words` words each), for a
// subject held outside the slot, such as a representative HH rebuilt per
// relabelling. Neither pointer is kept.
PairTotals scanPackedCalls(const PackedSlot& slot, const uint64_t* calls1, const uint64_t* calls2,
                           double cutoff, std::vector<CoverRun>& cover,
                           const SharingRule& rule = SharingRule{});

// Opposite homozygotes of two call sets (laid out as PackedSlot::calls) at
// SNPs first..last of the slot (0-based, inclusive).
int64_t countDiscordant(const PackedSlot& slot, const uint64_t* calls1, const uint64_t* calls2,
                        int64_t first, int64_t last);
