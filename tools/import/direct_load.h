// A cohort loaded from a PLINK fileset or a VCF/BCF straight into velmora's
// tables (genome/model.h), in one process and without a file written: the
// tables, counts and loading messages are those of velmora loading what
// velmora-import would have written for the same options.
#pragma once
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "genome/genome.h"
#include "import_options.h"

// What a caller needs of a direct load besides the tables.
struct DirectLoadFacts {
  std::string sourceDescription;  // the input, as the import reports it
  std::string mapDescription;     // the genetic map, as the import reports it
  std::string poolOrigin;         // where the pools came from
  std::optional<std::string> build;
  size_t inputSamples = 0;                 // samples of the input, pooled or not
  int64_t recordsRead = 0;                 // variant records of the input
  int64_t snpsKept = 0;                    // SNPs of the annotation, without a placeholder X line
  int xNumber = 0;                         // velmora's number of chromosome X
  int patients = 0;                        // subjects of the patient pool
  int controls = 0;                        // subjects of the control pool
  std::vector<std::string> names;          // pooled sample names: patients, then controls
  std::vector<std::string> fileNames;      // their genotyping-file names, the same order
  std::vector<SubjectLoadFacts> subjects;  // what the load saw per subject, the same order
  AnnotationLoadFacts annotation;
};

// Reads the input of `options` as velmora-import does (its report lines to
// `report`; options.outDirectory is not used), then fills settings (the
// annotation label, pools, subjects' labels genotypeLabelDir + file name,
// the default large gap, no area file) and the genome tables: annotation,
// regions, both pools' calls, with velmora's loading messages on standard
// error. settings.outputFilePath and every directory are left alone. The
// annotation is labelled by the input's path (PREFIX.bim, or the VCF/BCF).
// Throws InputError for the import's refusals and FatalError for velmora's
// stops (std::bad_alloc when memory runs out); the tables are then unusable
// until loaded again.
DirectLoadFacts loadCohortDirect(const ImportOptions& options, const std::string& genotypeLabelDir,
                                 std::ostream& report);
