// The subjects of a synthetic cohort and their genotype calls: patients with
// autozygous stretches and a founder haplotype most of them carry homozygously,
// controls with fewer, shorter stretches and without the founder haplotype.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "panel.h"

namespace benchgen {

enum Call : std::uint8_t { kNoCall = 0, kAA = 1, kBB = 2, kAB = 3 };

constexpr double kNoCallRate = 0.01;

struct Subject {
  std::string name;  // p001, c001, ...: also the genotyping file's stem
  bool patient = false;
  std::size_t poolIndex = 0;  // position in its pool, from 0
  bool male = false;          // males are hemizygous on X: no AB calls there
  bool layoutB = false;       // numeric first field, call in column 3, rs ID in 5
  bool founderSharer = false;
};

struct Founder {
  int chromosome = 0;
  double coreFromCm = 0.0;  // every sharer carries the haplotype over the core
  double coreToCm = 0.0;
  std::vector<std::uint8_t> allele;  // per SNP of the chromosome: 0 = A, 1 = B
};

struct Cohort {
  std::vector<Subject> subjects;  // patients first, then controls
  Founder founder;
  std::size_t patients = 0;
  std::size_t controls = 0;
  bool exchangeable = false;
  // Share of calls miscalled: each call (no-calls aside) is, with this
  // probability, replaced by one of the two other genotypes, as an array's
  // genotyping errors would; drawn from a stream of its own, so that the
  // same seed gives the same cohort with the errors added.
  double errorRate = 0.0;
};

// exchangeable: a null cohort for calibration, where controls are drawn like
// patients and nobody carries the founder haplotype.
Cohort planCohort(const Panel& panel, std::size_t patients, std::size_t controls,
                  std::uint64_t seed, bool exchangeable = false);

// The calls of one subject in genome (table) order.
std::vector<std::uint8_t> generateCalls(const Panel& panel, const Cohort& cohort,
                                        std::size_t subject, std::uint64_t seed);

}  // namespace benchgen
