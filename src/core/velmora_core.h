// velmora's analysis as a library, for programs that run it in their own
// process (velmora-report): a cohort loaded into the engine's tables once,
// the facts of that load for a program's own checks, velmora's run on the
// loaded cohort with its pair tables and progress handed over as they come,
// and label permutation on the same tables.
//
// The engine's tables are process-wide (genome/model.h): one cohort is
// loaded at a time, and every function here runs on the calling thread
// (the engine spreads its own work over threads). Failures are thrown as
// FatalError carrying velmora's own message ("ERROR: ...\n"), or as
// std::bad_alloc; nothing calls exit().
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "genome/run_listener.h"
#include "stats/permutation.h"

namespace core {

// Reads the analysis file at `analysisFile` and loads the inputs it names
// (annotation, area files, both pools' genotyping files) into the tables,
// with velmora's loading messages on standard error. The file's output
// directory is neither locked nor written.
void loadAnalysisCohort(const std::string& analysisFile);

// One analysed chromosome of the loaded cohort.
struct ChromosomeSpan {
  int number = 0;                   // velmora's chromosome number, 1-based
  int64_t firstBp = 0, lastBp = 0;  // 1-based positions of its first and last SNP
  double firstCm = 0, lastCm = 0;   // their genetic map positions, cM
  int64_t snps = 0;
};

// What the loaded tables say about the cohort.
struct CohortFacts {
  std::vector<ChromosomeSpan> autosomes;  // chromosomes 1 .. X - 1 holding SNPs, ascending
  int xNumber = 0;                        // the highest chromosome number, taken as X
  int64_t snps = 0;                       // SNPs in the table
  std::string annotationFile;             // the annotation's path, or what stands for it
};
CohortFacts loadedCohortFacts();

// Runs velmora on the loaded cohort with `cutoffCm` as the RCHH cutoff,
// writing velmora's files into `outputDirectory` (a prefix of every name,
// ending in '/'; locked for the run) and its messages on standard error.
// `listener` (may be nullptr, not owned) hears the passes, progress and
// pair tables; a patients-only run reads its query dialogue from
// `queryAnswers` (nullptr: standard input). Without `allFiles` only the
// lists a report reads are written (the level, p-value and query lists):
// not the HH and fold-overlap summaries (a number per SNP and subject,
// whose counts the listener has) nor the texts and figures of every fold
// count. The tables stay loaded.
void runLoadedAnalysis(const std::string& outputDirectory, double cutoffCm, RunListener* listener,
                       std::FILE* queryAnswers, bool allFiles = true);

// The pooled cohort of the loaded tables for label permutation
// (stats/permutation.h), at `cutoffCm`, built on `threads` threads (0: all).
// `choice` says under which rule pairs are compared and which are held
// (stats/permutation.h).
PooledCohortPtr pooledCohortOfLoaded(double cutoffCm, int threads,
                                     const PoolingChoice& choice = {});

// Empties every table, so that another cohort can be loaded.
void unloadCohort();

}  // namespace core
