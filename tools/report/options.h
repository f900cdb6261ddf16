// The command line of velmora-report.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "import_options.h"
#include "sharing.h"
#include "stats/permutation.h"

struct ReportOptions {
  std::string analysisFile;              // empty when the cohort comes from `source`
  std::optional<ImportOptions> source;   // --plink or --vcf, read straight into the engine
  std::string cutoffText;                // as typed, fed to velmora unchanged
  double cutoffCm = 0;                   // cM, finite and > 0
  std::string outDir;                    // the report directory DIR
  std::string genesFile;                 // empty: no gene annotation
  std::optional<std::string> build;      // --build: the positions' genome build, over the input's
  std::vector<std::string> queries;      // comma-separated sample names, one per --query
  std::vector<std::string> commandLine;  // argv as given, for the manifest
  int64_t permutations = 0;              // relabellings for adjusted p; 0: none (adjusted_p NA)
  uint64_t seed = kDefaultPermutationSeed;  // of the relabellings; stated in the manifest
  int threads = 0;                          // for the permutations; 0: one per hardware thread
  bool velmoraFiles = false;                // keep velmora's result files under run/
  bool help = false, version = false;       // --help, --version: print and stop
  // Which opposite homozygotes end a shared stretch in the report's regions:
  // tolerant by default (--tolerance K/W), velmora's own with --strict.
  SharingRule sharing = kDefaultSharingRule;
  bool sharingGiven = false;  // --strict or --tolerance; else chosen by the SNPs' density
  std::string sharingReason;  // why the rule was chosen, when it was not given
};

extern const char* const kReportUsage;

// More relabellings than this would take days on a workstation.
constexpr uint64_t kMaxPermutations = 10000000;

// Parses argv; throws ReportError naming the fault (the cutoff included:
// it must be a finite number above 0 with nothing after it).
ReportOptions parseOptions(int argc, char** argv);

// The cutoff rule alone: returns the value in cM or throws ReportError.
double parseCutoff(const std::string& text);
