// Genome-wide significance without controls: null genomes drawn from the
// patients' own calls. Within each block of neighbouring SNPs (at most 64,
// within one bitset word, spanning less than kNullBlockCm) the patients'
// calls are handed to the patients in a random order of the block's own; so
// every SNP keeps its genotype counts, the map, the gaps and the calls' local
// correlation (linkage) within a block, while a haplotype that patients share
// over many blocks is taken apart. Every patient pair is then compared under
// the cohort's rule and the patients' fold-overlap level worked out at each
// SNP, as for the run itself.
//
// What a null genome yields: for every level L, the longest stretch of
// consecutive SNPs, within one analysis region and without a large gap, whose
// level is at least L, counted in SNPs. A region at level L over such a
// stretch of x SNPs is matched by a null genome whose longest stretch at L
// reaches x. SNPs, not cM: where SNPs are sparse (a desert, a stretch of
// high recombination) a few SNPs span centimorgans, every pair shares them,
// and the null genomes share them just as much; evidence of a shared
// haplotype grows with the SNPs its patients agree on.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "stats/permutation.h"

// cM a block may span: linkage within ~100 kb is kept, while a shared
// haplotype of a few cM falls into dozens of independently drawn blocks.
constexpr double kNullBlockCm = 0.1;

// longest[L] (L = 0 .. patients): SNPs of the longest stretch at level >= L
// (0 when there is none).
struct NullGenome {
  std::vector<double> longest;
};

// The same measure for the cohort's own calls (the observed genome).
NullGenome observedGenome(const PooledCohort& cohort);

// Null genomes 1 .. count of `seed` for a cohort of patients alone (built
// with onePool); entry k - 1 belongs to genome k whatever the thread count.
// progress(done) is called on the calling thread now and then. Failures on
// any thread are raised on the calling thread.
std::vector<NullGenome> shuffledNullGenomes(const PooledCohort& cohort, uint64_t seed,
                                            int64_t count, int threads,
                                            const std::function<void(int64_t)>& progress);

// Longest stretch (SNPs) at level >= atLeast within SNP rows first..last
// (table indexes), by the rule above, from the per-SNP levels `level`
// (indexed by table index): a region's own measure, which its null genomes
// are compared with.
double longestStretchAtLevel(const PooledCohort& cohort, const std::vector<int32_t>& level,
                             int32_t atLeast, int64_t first, int64_t last);
