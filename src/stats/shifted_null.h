// The null model of a run without controls. Each pair of patients keeps its
// own shared stretches (its RCHHs, as runs of SNPs), and the whole set of a
// pair is moved by a random offset of its own along the analysed autosomes
// laid end to end, circularly. Where patients share a haplotype by descent
// at one locus their stretches pile up there; moved apart at random they
// pile up only by chance. What a shifted genome keeps: every pair's number,
// lengths and spacing of stretches, so each patient's and pair's amount of
// homozygosity and relatedness. What it assumes: stretches of different
// pairs fall independently of where in the genome they are (true of no
// single locus, and roughly of the genome as a whole away from a shared
// founder haplotype). The statistic is the genome-wide highest fold-overlap
// level over the analysis regions; shift 0 is the run itself.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "stats/permutation.h"

// One shared stretch of a pair: SNP table indexes, inclusive.
struct PairStretch {
  uint32_t pair = 0;
  int64_t first = 0, last = 0;
};

// The highest fold-overlap level, over the SNPs that `inRegion` marks (a
// SNP per table index 0 .. size - 1), of `subjects` subjects whose pairs
// (pairFirst[q], pairSecond[q]) share `stretches`, each pair's moved by
// offsets[q] SNPs circularly. Counts change only at stretch ends, so the
// level is kept in one sweep over them.
int32_t shiftedHighestLevel(const std::vector<PairStretch>& stretches,
                            const std::vector<int32_t>& pairFirst,
                            const std::vector<int32_t>& pairSecond, int subjects,
                            const std::vector<uint8_t>& inRegion,
                            const std::vector<int64_t>& offsets);

// The highest level of shifts 0 (no shift) .. count of a patients-only
// pooled cohort (buildPooledCohort(..., true)), each shift's offsets drawn
// from (seed, shift) alone, on `threads` threads (0: all). `progress` is
// told how many shifts are done, on the calling thread.
std::vector<int32_t> shiftedLevelMaxima(const PooledCohort& cohort, uint64_t seed, int64_t count,
                                        int threads, const std::function<void(int64_t)>& progress);
