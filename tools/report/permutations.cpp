// Running the permutation engine inside velmora-report.
#include "permutations.h"

#include <chrono>
#include <cstdio>

#include "core/velmora_core.h"
#include "run_progress.h"

double asListed(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", value);
  return std::strtod(text, nullptr);
}

PermutationOutcome runPermutations(double cutoffCm, int64_t count, uint64_t seed, int threads,
                                   std::FILE* terminal) {
  PermutationOutcome outcome;
  outcome.count = count;
  outcome.seed = seed;
  PooledCohortPtr cohort = core::pooledCohortOfLoaded(cutoffCm, threads);
  outcome.cohortBytes = pooledCohortBytes(*cohort);
  BarState progress;
  const auto start = std::chrono::steady_clock::now();
  outcome.maxima = permutationMaxima(*cohort, seed, count, threads, [&](int64_t done) {
    if (terminal == nullptr) return;
    progress.phase = "relabellings " + std::to_string(done) + "/" + std::to_string(count + 1);
    progress.share = static_cast<double>(done) / static_cast<double>(count + 1);
    drawProgressBar(terminal, progress, done == count + 1);
  });
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (size_t k = 1; k < outcome.maxima.size(); ++k) {
    outcome.nullMaxima.push_back(asListed(outcome.maxima[k].both()));
  }
  return outcome;
}

double adjustedP(const PermutationOutcome& outcome, double minusLog10P) {
  int64_t reached = 0;
  for (double m : outcome.nullMaxima) reached += m >= minusLog10P;
  return static_cast<double>(1 + reached) / static_cast<double>(1 + outcome.count);
}

std::string nullMaximaTable(const PermutationOutcome& outcome) {
  std::string text =
      "# largest -log10 p over the genome per labelling (0: the observed labels); seed " +
      std::to_string(outcome.seed) + "\nrelabelling\tplain\tusing_representative\tlargest\n";
  char row[160];
  for (size_t k = 0; k < outcome.maxima.size(); ++k) {
    const ScanMaxima& m = outcome.maxima[k];
    std::snprintf(row, sizeof row, "%zu\t%f\t%f\t%f\n", k, static_cast<double>(m.plain),
                  static_cast<double>(m.representative), static_cast<double>(m.both()));
    text += row;
  }
  return text;
}
