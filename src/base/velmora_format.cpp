// Formatting of velmora's input lines.
#include "base/velmora_format.h"

#include <cinttypes>
#include <cstdio>

std::string_view velmoraCallText(uint8_t call) {
  switch (call) {
    case 1:
      return "AA";
    case 2:
      return "BB";
    case 3:
      return "AB";
    default:
      return "--";
  }
}

void appendAnnotationLine(std::string& out, int chromosome, int64_t bp, double freqA,
                          int freqDecimals, std::string_view id, double cM) {
  char numbers[128];
  int n = std::snprintf(numbers, sizeof numbers, "%d\t%" PRId64 "\t%.*f\t", chromosome, bp,
                        freqDecimals, freqA);
  out.append(numbers, static_cast<size_t>(n));
  out.append(id);
  n = std::snprintf(numbers, sizeof numbers, "\t%.6f\n", cM);
  out.append(numbers, static_cast<size_t>(n));
}

void appendGenotypeLine(std::string& out, std::string_view id, uint8_t call) {
  out.append(id);
  out.push_back('\t');
  out.append(velmoraCallText(call));
  out.push_back('\n');
}

std::string analysisFileText(const AnalysisFileContent& content) {
  std::string text;
  for (const std::string& comment : content.comments) text += ": " + comment + "\n";
  text += "::annotation file\n" + content.annotation + "\n";
  text += "::excluded area file\n::patient pool\n";
  for (const std::string& patient : content.patients) text += patient + "\n";
  text += "::control pool\n";
  for (const std::string& control : content.controls) text += control + "\n";
  text += "::output directory\n" + content.outputDirectory + "\n";
  return text;
}
