// Null genomes of a patient pool: the observed genome's measure against a
// straightforward count over the per-SNP levels, patients with identical
// calls giving null genomes equal to the observed one, a planted haplotype
// that no null genome matches, and the draws not depending on threads.
#include "stats/shuffled_null.h"

#include <gtest/gtest.h>

#include "common/cohort.h"
#include "common/harness.h"
#include "driver/run_inputs.h"
#include "genome/model.h"
#include "stats/pooled_load.h"

namespace {

// Longest run of SNPs at level >= L, straight from the level segments of the
// patients' own labelling: neighbouring table rows of one chromosome, both in
// a segment (so in an analysis region).
std::vector<double> longestFromSegments(const PooledCohort& cohort) {
  std::vector<ScanSegment> segments;
  labellingMaxima(cohort, relabelling(0, 0, pooledPatients(cohort), 0), &segments);
  std::vector<int> level(genome.sumSNP.size(), 0);
  std::vector<bool> listed(genome.sumSNP.size(), false);
  for (const ScanSegment& s : segments) {
    if (s.scan != 0) continue;
    for (int64_t k = s.firstSnp; k <= s.lastSnp; ++k) level[k] = s.patients, listed[k] = true;
  }
  const int patients = pooledPatients(cohort);
  std::vector<double> longest(static_cast<size_t>(patients) + 1, 0.0);
  for (int L = 1; L <= patients; ++L) {
    int64_t run = 0;
    for (size_t k = 0; k < level.size(); ++k) {
      const bool joins = k > 0 && listed[k - 1] && genome.sumSNP[k].chr == genome.sumSNP[k - 1].chr;
      const bool holds = listed[k] && level[k] >= L;
      run = holds ? (joins ? run + 1 : 1) : 0;
      longest[L] = std::max(longest[L], static_cast<double>(run));
    }
  }
  return longest;
}

}  // namespace

TEST(ShuffledNull, ObservedMeasureAndDrawsOnRandomAndIdenticalPatients) {
  ScratchDir dir;
  CohortPlan plan;
  plan.patients = 12;
  plan.sharers = 5;
  plan.snpsPerChromosome = 400;
  plan.cMPerSnp = 0.02;
  plan.plantedFirst = 20;
  plan.plantedLast = 350;
  plan.errorRate = 0.005;
  plan.seed = 17;
  const Cohort cohort = writeCohort(dir, plan);
  double strictLongest = 0;
  for (const SharingRule& rule : {SharingRule{}, SharingRule{1, 10}}) {
    PooledCohortPtr pooled =
        loadPooled(cohort.analysisFile, 3.0, 2, PoolingChoice{rule, true, true});
    const NullGenome observed = observedGenome(*pooled);
    EXPECT_EQ(observed.longest, longestFromSegments(*pooled));
    // The planted stretch, shared by five; errors cut it shorter under the
    // strict rule than under the tolerant one.
    EXPECT_GE(observed.longest[5], 100);
    EXPECT_GE(observed.longest[5], strictLongest);
    strictLongest = observed.longest[5];

    const std::vector<NullGenome> one = shuffledNullGenomes(*pooled, 3, 40, 1, [](int64_t) {});
    const std::vector<NullGenome> three = shuffledNullGenomes(*pooled, 3, 40, 3, [](int64_t) {});
    ASSERT_EQ(one.size(), 40u);
    int belowObserved = 0;
    for (size_t k = 0; k < one.size(); ++k) {
      EXPECT_EQ(one[k].longest, three[k].longest) << k;
      // Longer stretches at a level never exceed those at a lower one.
      EXPECT_TRUE(
          std::is_sorted(one[k].longest.begin() + 1, one[k].longest.end(), std::greater<double>()));
      belowObserved += one[k].longest[5] < observed.longest[5];
    }
    // Taking the planted haplotype apart leaves every null genome short of it.
    EXPECT_EQ(belowObserved, 40);
  }

  // Patients with the same calls everywhere: shuffling them changes nothing.
  CohortPlan same;
  same.autosomes = 1;
  same.plantedChromosome = 1;
  same.plantedFirst = 0;
  same.plantedLast = 199;
  same.snpsPerChromosome = 200;
  same.patients = 5;
  same.sharers = 5;
  ScratchDir other;
  const Cohort identical = writeCohort(other, same);
  PooledCohortPtr pooled =
      loadPooled(identical.analysisFile, 0.5, 2, PoolingChoice{SharingRule{}, true, true});
  const NullGenome observed = observedGenome(*pooled);
  EXPECT_EQ(observed.longest[5], 200);
  // Every patient at the top level: the patients' own labelling stays within
  // its tables (a pool of no controls has level 0).
  EXPECT_EQ(longestFromSegments(*pooled), observed.longest);
  for (const NullGenome& g : shuffledNullGenomes(*pooled, 9, 10, 2, [](int64_t) {}))
    EXPECT_EQ(g.longest, observed.longest);
}
