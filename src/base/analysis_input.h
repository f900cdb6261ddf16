// The analysis file as velmora reads it (labels matched by their leading
// characters, the first label of a kind wins, a section ends at a line that
// begins with ':'), and the copy of it that velmora-report hands to velmora.
#pragma once
#include <optional>
#include <string>
#include <vector>

struct AnalysisInput {
  std::string annotation;
  std::string excluded;               // empty: none
  std::string target;                 // empty: none (never set when excluded is)
  std::vector<std::string> patients;  // genotyping file paths, list order
  std::vector<std::string> controls;
  std::string outputDirectory;              // as written; replaced in the copy
  std::optional<std::string> largeGapLine;  // the raw line after "::use large gap"
};

// Reads `path`; throws std::runtime_error for a missing label or an empty required
// section, with the label named.
AnalysisInput readAnalysisInput(const std::string& path);

// The text of the copy: the same settings with every path made absolute and
// the output directory replaced by `outputDirectory` (which ends in '/').
std::string analysisCopyText(const AnalysisInput& input, const std::string& sourcePath,
                             const std::string& outputDirectory);
