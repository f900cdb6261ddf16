// Everything one report shows, gathered by main and handed to the writers of
// regions.tsv, pairs.tsv and report.html.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "base/analysis_input.h"
#include "cover_table.h"
#include "genes.h"
#include "genome_build.h"
#include "options.h"
#include "permutations.h"
#include "preflight.h"
#include "queries.h"
#include "regions.h"
#include "run_progress.h"
#include "sharing.h"

struct ReportData {
  ReportOptions options;
  AnalysisInput input;
  Preflight preflight;
  std::vector<std::string> patientNames, controlNames;  // sample names, list order
  GenomeBuild build;  // of the positions: links, gene checks, the header
  std::optional<GeneSet> genes;
  std::string genesLabel;  // what the built-in gene set is, when --genes was not given
  CoverTable cover;        // every subject's cover per SNP, from the run
  RegionResult regions;
  std::vector<std::vector<const Gene*>> regionGenes;  // per region, rank order: over its extent
  std::vector<std::vector<bool>> regionCoreGenes;     // the same: does the gene touch the core
  std::vector<PairRow> pairs;
  std::vector<QueryAnswer> queries;
  std::optional<PermutationOutcome> permutations;  // with --permutations
  // The pooled cohort the report's sharing rule compared (tolerant runs),
  // or that the relabellings or null genomes use; null when neither.
  PooledCohortPtr pooled;
  std::optional<StartEndList> sharingSource, sharingRepresentative;  // tolerant runs' lists
  bool withControls() const { return !input.controls.empty(); }
};
