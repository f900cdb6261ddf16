// The labels of the analysis file and how many leading characters of a line
// must match each: shared by velmora's reader and the companion programs that
// read or write analysis files as velmora does.
#pragma once
#include <cstddef>

struct AnalysisLabel {
  const char* text;
  size_t compared;  // leading characters that must match
};

constexpr AnalysisLabel kAnnotationLabel{"::annotation file", 17};
constexpr AnalysisLabel kExcludedLabel{"::excluded area file", 18};
constexpr AnalysisLabel kTargetLabel{"::target area file", 16};
constexpr AnalysisLabel kPatientsLabel{"::patient pool", 14};
constexpr AnalysisLabel kControlsLabel{"::control pool", 14};
constexpr AnalysisLabel kOutputLabel{"::output directory", 18};
constexpr AnalysisLabel kLargeGapLabel{"::use large gap", 15};
