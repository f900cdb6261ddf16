// The permutation step of a report: velmora's run loaded again in this
// process, its patients and controls relabelled N times, and the genome-wide
// largest -log10 p of each relabelling kept, from which every region gets a
// family-wise adjusted p (max-T).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "stats/permutation.h"

struct PermutationOutcome {
  int64_t count = 0;  // relabellings, not counting the observed labels
  uint64_t seed = 0;
  std::vector<ScanMaxima> maxima;  // [0] the observed labels, then relabellings 1..count
  // Per relabelling 1..count, the larger maximum of the two scans as velmora's
  // lists print a value (six decimals) and read back, so that it compares
  // exactly with the regions' values read from those lists.
  std::vector<double> nullMaxima;
  double seconds = 0;       // wall time of the relabellings
  int64_t cohortBytes = 0;  // held by the pooled cohort
};

// Loads the run of `analysisFile` (the copy velmora ran, so that the inputs
// are the same), with velmora's loading messages going to `logPath`, and
// computes the maxima on `threads` threads (0: all). A progress bar is drawn
// on a terminal. Throws ReportError when the inputs cannot be loaded.
PermutationOutcome runPermutations(const std::string& analysisFile, double cutoffCm, int64_t count,
                                   uint64_t seed, int threads, const std::string& logPath);

// (1 + relabellings whose maximum reaches `minusLog10P`) / (1 + count).
double adjustedP(const PermutationOutcome& outcome, double minusLog10P);

// null_maxima.tsv: one row per labelling, 0 the observed one.
std::string nullMaximaTable(const PermutationOutcome& outcome);

// A value as velmora's lists print it ("%f") and read back.
double asListed(float value);
