// Small synthetic cohorts for end-to-end tests: an annotation file, one
// genotyping file per subject and an analysis file in a scratch directory.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/harness.h"

struct CohortPlan {
  int autosomes = 3;  // chromosomes 1..autosomes; X is written as autosomes + 1
  int snpsPerChromosome = 40;
  int xSnps = 5;
  int64_t spacingBp = 20000;  // between neighbouring SNPs
  double cMPerSnp = 0.1;      // map distance between neighbouring SNPs
  int patients = 4;
  int controls = 0;
  uint32_t seed = 1;
  // A stretch that the first `sharers` patients carry on one identical haplotype.
  int plantedChromosome = 2;
  int plantedFirst = 5;  // SNP number within the chromosome, 0-based
  int plantedLast = 30;
  int sharers = 3;
  std::vector<int> sharerList;  // when not empty: these patients (0-based) share instead
  bool layoutBForLast = false;  // write the last subject's file in the numeric layout
  // Share of calls miscalled (one of the two other genotypes), as an array's
  // genotyping errors; drawn from a generator of its own, so that a cohort
  // without errors stays as it was.
  double errorRate = 0.0;
};

struct Cohort {
  std::string analysisFile;        // path of the analysis file
  std::string outputDir;           // output directory, ending in '/'
  std::vector<std::string> rsIDs;  // in table order
};

// Writes the cohort under dir (annotation.txt, p01.txt.., c01.txt.., analysis.txt, out/).
Cohort writeCohort(const ScratchDir& dir, const CohortPlan& plan);
