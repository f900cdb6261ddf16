// The analysis file as velmora reads it (labels matched by their leading
// characters, the first label of a kind wins, a section ends at a line that
// begins with ':'), and the copy of it that velmora-report hands to velmora.
#pragma once
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/analysis_labels.h"

// The analysis file's lines and the one rule for its labels and sections,
// which velmora's own reader (with its messages) and readAnalysisInput share.
struct AnalysisLines {
  std::vector<std::string> lines;

  // The first line that begins with the label (its leading `compared`
  // characters), or npos.
  size_t find(const AnalysisLabel& label) const;
  // The trimmed non-empty lines after line `at`, up to the next line that
  // begins with ':'.
  std::vector<std::string> section(size_t at) const;
  // The raw line after line `at`, if there is one.
  std::optional<std::string> lineAfter(size_t at) const;
};

// Every line of `file` as MyFgets gives them, up to where it stops (the
// caller asks whyNoLine why, and reports it in its own words).
AnalysisLines readAnalysisLines(std::FILE* file);

struct AnalysisInput {
  std::string annotation;
  std::string excluded;               // empty: none
  std::string target;                 // empty: none (never set when excluded is)
  std::vector<std::string> patients;  // genotyping file paths, list order
  std::vector<std::string> controls;
  std::string outputDirectory;              // as written; replaced in the copy
  std::optional<std::string> largeGapLine;  // the raw line after "::use large gap"
  std::optional<std::string> genomeBuild;   // velmora-import's comment ": genome build NAME"
};

// Reads `path`; throws std::runtime_error for a missing label or an empty required
// section, with the label named.
AnalysisInput readAnalysisInput(const std::string& path);

// The text of the copy: the same settings with every path made absolute and
// the output directory replaced by `outputDirectory` (which ends in '/').
std::string analysisCopyText(const AnalysisInput& input, const std::string& sourcePath,
                             const std::string& outputDirectory);
