// The permutation step of a report: the cohort velmora ran on, still loaded
// in this process, its patients and controls relabelled N times, and the genome-wide
// largest -log10 p of each relabelling kept, from which every region gets a
// family-wise adjusted p (max-T).
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "stats/permutation.h"
#include "stats/shuffled_null.h"

struct PermutationOutcome {
  int64_t count = 0;  // relabellings, not counting the observed labels
  uint64_t seed = 0;
  std::vector<ScanMaxima> maxima;  // [0] the observed labels, then relabellings 1..count
  // Per relabelling 1..count, the larger maximum of the two scans as velmora's
  // lists print a value (six decimals) and read back, so that it compares
  // exactly with the regions' values read from those lists.
  std::vector<double> nullMaxima;
  // A patient pool alone: [0] the observed genome, then null genomes 1..count.
  std::vector<NullGenome> genomes;
  double seconds = 0;       // wall time of the relabellings
  int64_t cohortBytes = 0;  // held by the pooled cohort
};

// Relabels the pooled cohort `count` times from `seed` and keeps every
// labelling's maxima, on `threads` threads (0: all); for a patient pool
// alone, draws `count` null genomes instead (stats/shuffled_null.h). A
// progress bar is drawn on `terminal` unless it is nullptr. Throws what the
// core throws (FatalError, std::bad_alloc).
PermutationOutcome runPermutations(const PooledCohort& cohort, int64_t count, uint64_t seed,
                                   int threads, std::FILE* terminal);

// A region of a patients-only run: (1 + null genomes whose longest stretch
// at the region's level reaches the region's own) / (1 + count).
double adjustedPWithoutControls(const PermutationOutcome& outcome, int level, double snps);

// (1 + relabellings whose maximum reaches `minusLog10P`) / (1 + count).
double adjustedP(const PermutationOutcome& outcome, double minusLog10P);

// null_maxima.tsv: one row per labelling, 0 the observed one; for a
// patients-only run, per genome the longest stretch (SNPs) at each level.
std::string nullMaximaTable(const PermutationOutcome& outcome);
