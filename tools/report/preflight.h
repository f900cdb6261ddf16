// Checks made before velmora runs, stricter than velmora itself. Refusals
// throw ReportError before anything is written; warnings are collected for
// the terminal and the top of the report.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/analysis_input.h"
#include "sha256.h"

// One chromosome of the annotation, as velmora will number it.
struct ChromosomeSpan {
  int number = 0;
  int64_t firstBp = 0, lastBp = 0;  // 1-based positions of its first and last SNP
  double firstCm = 0, lastCm = 0;   // their genetic map positions
  int64_t snps = 0;
};

// What the checks read in one genotyping file, as velmora will read it.
struct SubjectFacts {
  bool layoutA = false;         // velmora's choice from the first line
  int64_t linesAfterFirst = 0;  // non-empty lines after the first one
  int64_t layoutALines = 0;     // of those, lines whose first field holds a non-digit
  int64_t found = 0;            // lines naming an rs ID of the annotation, in velmora's layout
  int64_t validCalls = 0;       // AA, BB or AB at a found rs ID
  int64_t lowerCaseCalls = 0;   // calls that are AA, BB or AB but for case
};

struct Preflight {
  std::vector<ChromosomeSpan> autosomes;  // the analysed chromosomes (1 .. X - 1), ascending
  int xNumber = 0;                        // velmora's number of chromosome X (the highest)
  int64_t annotationSnps = 0;             // lines velmora will store
  std::vector<std::string> warnings;      // plain sentences, in the order found
  // Checksums of the annotation and genotyping files, taken as they were
  // scanned, by path as the analysis file gives it (those read whole only).
  std::map<std::string, FileDigest> digests;
  std::vector<SubjectFacts> subjects;  // patients, then controls, in list order
};

// Refuses (ReportError): an input that is not a regular file (or is missing),
// and a genotyping file listed twice or in both pools, by path or as the same
// file. Then reads the annotation and every genotyping file and collects the
// warnings about them and about `cutoffCm`.
Preflight runPreflight(const AnalysisInput& input, double cutoffCm);

// A subject's sample name: the file name without its last suffix ("p01.txt" -> "p01").
std::string sampleName(const std::string& path);
