// Writing velmora's own input formats, shared by velmora-import and the
// benchmark generator: annotation lines, genotyping-file lines of layout A
// (rs ID, call) and the analysis file. Texts are appended to a caller's
// buffer; the caller writes and finishes the file.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Call text of a velmora call code (0 none, 1 AA, 2 BB, 3 AB): "--" for none.
std::string_view velmoraCallText(uint8_t call);

// "chromosome<TAB>bp<TAB>frequency of allele A<TAB>rs ID<TAB>cM\n": bp 1-based,
// the frequency with `freqDecimals` decimals, cM with six.
void appendAnnotationLine(std::string& out, int chromosome, int64_t bp, double freqA,
                          int freqDecimals, std::string_view id, double cM);

// "rs ID<TAB>call\n" (layout A).
void appendGenotypeLine(std::string& out, std::string_view id, uint8_t call);

struct AnalysisFileContent {
  std::vector<std::string> comments;  // written first, each behind ": "
  std::string annotation;
  std::vector<std::string> patients;
  std::vector<std::string> controls;
  std::string outputDirectory;  // velmora uses it as a name prefix: end it in '/'
};

// The analysis file's text: comments, then the labels velmora requires, in
// the order annotation, excluded area (present, empty), patient pool, control
// pool (present even when empty: velmora stops when it is missing), output
// directory.
std::string analysisFileText(const AnalysisFileContent& content);
