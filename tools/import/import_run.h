// One import from start to end: read and filter the input, order and clean the
// SNPs, decide how chromosome X is written, write velmora's files and report.
// The reading part stands alone (readImport) for a front end that loads the
// cohort into velmora's tables without writing files.
#pragma once
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "import_options.h"
#include "pools.h"
#include "snp_table.h"
#include "variant_source.h"
#include "velmora_files.h"

// An input read, checked and settled, ready to be written as velmora's files.
struct ImportedCohort {
  std::string sourceDescription;     // "PLINK fileset PREFIX.bed/.bim/.fam" and the like
  std::string mapDescription;        // the genetic map, for the report
  std::optional<std::string> build;  // the genome build the input tells
  std::vector<SampleInfo> samples;   // every sample of the input
  Pools pools;
  int64_t recordsRead = 0;  // variant records of the input
  SnpTable table{0};        // the SNPs kept, in annotation order
  int xNumber = 0;          // what chromosome X is written as
  std::optional<XPlaceholder> placeholder;
  std::vector<size_t> pooled;          // sample indexes: patients, then controls
  std::vector<std::string> fileNames;  // genotyping-file name of each pooled sample
};

// Opens the input, chooses the map and the pools, reads and cleans the SNPs
// and settles X, reporting as velmora-import does up to the writing. Throws
// InputError on every refusal; nothing is written.
ImportedCohort readImport(const ImportOptions& options, std::ostream& report);

// Writes the report to `report`; throws InputError on any failure, before any
// file is written when the fault lies in the inputs.
void runImport(const ImportOptions& options, std::ostream& report);
