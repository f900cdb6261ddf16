// Relabellings drawn from a seed, and their maxima computed on all threads.
//
// Each relabelling has a generator of its own, seeded from (seed, k), so its
// labels do not depend on which thread draws it or in what order; the
// generator (64-bit Mersenne Twister) and the bounded draws are written out
// here rather than taken from a library distribution, whose algorithm may
// differ between standard libraries.
#include <random>

#include "base/output.h"
#include "stats/pooled_cohort.h"

std::vector<uint8_t> relabelling(uint64_t seed, int64_t k, int patients, int controls) {
  const size_t subjects = static_cast<size_t>(patients) + static_cast<size_t>(controls);
  std::vector<uint8_t> isPatient(subjects, 0);
  if (k == 0) {
    std::fill(isPatient.begin(), isPatient.begin() + patients, 1);
    return isPatient;
  }
  std::mt19937_64 generator(seedMix(seed ^ seedMix(static_cast<uint64_t>(k))));
  // The first `patients` places of a partial Fisher-Yates shuffle.
  std::vector<int32_t> order(subjects);
  for (size_t g = 0; g < subjects; ++g) order[g] = static_cast<int32_t>(g);
  for (size_t i = 0; i < static_cast<size_t>(patients); ++i) {
    const size_t j = i + static_cast<size_t>(drawBelow(generator, subjects - i));
    std::swap(order[i], order[j]);
    isPatient[static_cast<size_t>(order[i])] = 1;
  }
  return isPatient;
}

std::vector<ScanMaxima> permutationMaxima(const PooledCohort& cohort, uint64_t seed, int64_t count,
                                          int threads,
                                          const std::function<void(int64_t)>& progress) {
  if (count < 0) fatal("ERROR: The number of permutations must not be negative.\n");
  std::vector<ScanMaxima> maxima(static_cast<size_t>(count) + 1);
  runDraws(
      count + 1, permutationThreads(threads),
      [&](int64_t k) {
        maxima[static_cast<size_t>(k)] = labellingMaxima(
            cohort, relabelling(seed, k, cohort.patients, cohort.controls), nullptr);
      },
      progress);
  return maxima;
}
