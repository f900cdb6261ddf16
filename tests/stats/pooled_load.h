// Loading a test cohort's analysis file into the engine and pooling it, as
// the permutation and null-genome tests do.
#pragma once
#include <string>

#include "driver/run_inputs.h"
#include "genome/model.h"
#include "stats/permutation.h"

inline PooledCohortPtr loadPooled(const std::string& analysis, double cutoff, int threads,
                                  const PoolingChoice& choice = {}) {
  resetModel();
  loadRunInputs(analysis);
  return buildPooledCohort(cutoff, threads, choice);
}
