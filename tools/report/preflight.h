// Checks stricter than velmora itself: the input files before the load, the
// loaded cohort before the run. Refusals throw ReportError before anything
// is written; warnings are collected for the terminal and the top of the
// report.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/analysis_input.h"
#include "core/velmora_core.h"
#include "genome/genome.h"
#include "sha256.h"

struct Preflight {
  std::vector<core::ChromosomeSpan> autosomes;  // the analysed chromosomes (1 .. X - 1), ascending
  int xNumber = 0;                              // velmora's number of chromosome X (the highest)
  int64_t annotationSnps = 0;                   // lines velmora will store
  std::vector<std::string> warnings;            // plain sentences, in the order found
  // Checksums of the genotyping files, taken as the load read them, by path
  // as the analysis file gives it (those read whole only).
  std::map<std::string, FileDigest> digests;
  std::vector<SubjectLoadFacts> subjects;  // patients, then controls, in list order
};

// Refuses (ReportError), before anything is read: an input that is not a
// regular file (or is missing), and a genotyping file listed twice or in both
// pools, by path, as the same file or by sample name.
void checkInputFiles(const AnalysisInput& input);

// The checks on the cohort as loaded (`cohort`; `subjects`: what the load saw
// in each genotyping file, patients then controls, empty when the calls were
// not read from files; `annotation`: what it saw in the annotation's
// numbers): refuses a cutoff no chromosome reaches and an annotation without
// autosomes, and collects the warnings about the map, the annotation's
// numbers, the subjects' files and `cutoffCm`.
Preflight checkLoadedCohort(const AnalysisInput& input, const core::CohortFacts& cohort,
                            const std::vector<SubjectLoadFacts>& subjects,
                            const AnnotationLoadFacts& annotation, double cutoffCm);

// A subject's sample name: the file name without its last suffix ("p01.txt" -> "p01").
std::string sampleName(const std::string& path);
