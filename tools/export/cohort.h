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

// A file of the analysis: the analysis file itself and every file it names,
// read or not. An export never writes over one of them.
struct CohortSource {
  std::string what;  // "the annotation file", "patient genotyping file 2", ...
  std::string path;  // as given or as the analysis file writes it
};

struct Cohort {
  std::vector<CohortSnp> snps;          // annotation order
  std::vector<CohortSubject> subjects;  // patients, then controls
  std::vector<CohortSource> sources;
};

// Reads the analysis file and what it names; throws std::runtime_error with a
// message for the user. A path read from the analysis file that holds a
// control character is refused: it would end up in a sample name.
Cohort readCohort(const std::string& analysisFile);
