// The command line of velmora-report.
#pragma once
#include <string>
#include <vector>

struct ReportOptions {
  std::string analysisFile;
  std::string cutoffText;                // as typed, fed to velmora unchanged
  double cutoffCm = 0;                   // cM, finite and > 0
  std::string outDir;                    // the report directory DIR
  std::string genesFile;                 // empty: no gene annotation
  std::string build = "hg38";            // genome build of positions, for browser links
  std::vector<std::string> queries;      // comma-separated sample names, one per --query
  std::vector<std::string> commandLine;  // argv as given, for the manifest
};

extern const char* const kReportUsage;

// Parses argv; throws ReportError naming the fault (the cutoff included:
// it must be a finite number above 0 with nothing after it).
ReportOptions parseOptions(int argc, char** argv);

// The cutoff rule alone: returns the value in cM or throws ReportError.
double parseCutoff(const std::string& text);
