// A velmora cohort as its input files describe it: the SNPs of the annotation
// file and every subject's calls, read through the analysis file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct CohortSnp {
  std::string chromosome;  // "1".."22" style numbers; "X" for velmora's X (the highest number)
  int64_t position;        // bp, 1-based
  std::string id;
  double cM;
};

struct CohortSubject {
  std::string name;            // genotyping file name without directory and ".txt"
  bool patient;                // else control
  std::vector<uint8_t> calls;  // per SNP: 0 none, 1 AA, 2 BB, 3 AB (velmora's codes)
};

struct Cohort {
  std::vector<CohortSnp> snps;          // annotation order
  std::vector<CohortSubject> subjects;  // patients, then controls
};

// Reads the analysis file and what it names; throws std::runtime_error with a
// message for the user.
Cohort readCohort(const std::string& analysisFile);
