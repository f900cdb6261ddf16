// Running the permutation engine inside velmora-report.
#include "permutations.h"

#include <chrono>
#include <cstdio>

#include "core/velmora_core.h"
#include "run_progress.h"
#include "start_end_list.h"

PermutationOutcome runPermutations(const PooledCohort& cohort, int64_t count, uint64_t seed,
                                   int threads, std::FILE* terminal) {
  PermutationOutcome outcome;
  outcome.count = count;
  outcome.seed = seed;
  outcome.cohortBytes = pooledCohortBytes(cohort);
  BarState progress;
  progress.startedAt = BarState::now();
  const auto start = std::chrono::steady_clock::now();
  const bool alone = pooledControls(cohort) == 0;
  const int64_t steps = alone ? count : count + 1;
  auto draw = [&](int64_t done) {
    if (terminal == nullptr) return;
    progress.phase = std::string(alone ? "null genomes " : "relabellings ") + std::to_string(done) +
                     "/" + std::to_string(steps);
    progress.share = static_cast<double>(done) / static_cast<double>(steps);
    drawProgressBar(terminal, progress, done == steps);
  };
  if (alone) {
    outcome.genomes.push_back(observedGenome(cohort));
    for (NullGenome& g : shuffledNullGenomes(cohort, seed, count, threads, draw))
      outcome.genomes.push_back(std::move(g));
  } else {
    outcome.maxima = permutationMaxima(cohort, seed, count, threads, draw);
  }
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (size_t k = 1; k < outcome.maxima.size(); ++k) {
    outcome.nullMaxima.push_back(asListed(outcome.maxima[k].both()));
  }
  return outcome;
}

double adjustedPWithoutControls(const PermutationOutcome& outcome, int level, double snps) {
  int64_t reached = 0;
  for (size_t k = 1; k < outcome.genomes.size(); ++k) {
    const std::vector<double>& longest = outcome.genomes[k].longest;
    reached += level >= 0 && static_cast<size_t>(level) < longest.size() &&
               longest[static_cast<size_t>(level)] >= snps;
  }
  return static_cast<double>(1 + reached) / static_cast<double>(1 + outcome.count);
}

double adjustedP(const PermutationOutcome& outcome, double minusLog10P) {
  int64_t reached = 0;
  for (double m : outcome.nullMaxima) reached += m >= minusLog10P;
  return static_cast<double>(1 + reached) / static_cast<double>(1 + outcome.count);
}

std::string nullMaximaTable(const PermutationOutcome& outcome) {
  if (!outcome.genomes.empty()) {
    std::string text =
        "# longest stretch (SNPs) at fold-overlap level >= L per genome (0: the observed one, then "
        "null genomes drawn block by block from the patients' calls); seed " +
        std::to_string(outcome.seed) + "\ngenome";
    const size_t levels = outcome.genomes[0].longest.size();
    for (size_t l = 2; l < levels; ++l) text += "\tlevel_" + std::to_string(l);
    text += "\n";
    char cell[64];
    for (size_t k = 0; k < outcome.genomes.size(); ++k) {
      text += std::to_string(k);
      for (size_t l = 2; l < levels; ++l) {
        std::snprintf(cell, sizeof cell, "\t%.0f", outcome.genomes[k].longest[l]);
        text += cell;
      }
      text += "\n";
    }
    return text;
  }
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
