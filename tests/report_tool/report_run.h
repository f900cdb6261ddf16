// Running the built velmora-report from the source tree, as its tests do.
#pragma once
#include <sstream>
#include <string>
#include <vector>

#include "common/cohort.h"
#include "common/harness.h"

// velmora-report with `args`, run in the source tree (the demo's analysis
// files name their inputs relative to it).
inline RunResult report(const std::vector<std::string>& args) {
  std::vector<std::string> argv{VELMORA_REPORT_BIN};
  argv.insert(argv.end(), args.begin(), args.end());
  return runProgram(argv, "", VELMORA_SOURCE_DIR);
}

// The tab-separated fields of one table line.
inline std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream in(line);
  for (std::string f; std::getline(in, f, '\t');) out.push_back(f);
  return out;
}

// Three chromosomes of a dense array (50 SNPs per cM) with 1 % of calls
// miscalled, 12 patients: the first `sharers` carry a haplotype over SNPs
// 200..700 of chromosome 2.
inline CohortPlan denseCohortWithErrors(int sharers, int controls, uint32_t seed) {
  CohortPlan plan;
  plan.snpsPerChromosome = 1000;
  plan.cMPerSnp = 0.02;
  plan.patients = 12;
  plan.controls = controls;
  plan.seed = seed;
  plan.plantedFirst = 200;
  plan.plantedLast = 700;
  plan.sharers = sharers;
  plan.errorRate = 0.01;
  return plan;
}
