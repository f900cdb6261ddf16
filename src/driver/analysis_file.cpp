// Reading the analysis file: labels, sections, checks and the report of what was found.
#include "driver/analysis_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "base/analysis_input.h"
#include "base/analysis_labels.h"
#include "base/input_file.h"
#include "base/lines.h"
#include "base/output.h"
#include "base/safe_file.h"
#include "driver/output_directory.h"
#include "genome/model.h"

namespace {

// The analysis file's lines, read once. A line too long for the line buffer
// would end every label search there and could cut a list of subjects short
// unnoticed, so the whole file must read before any label is looked for.
AnalysisLines readWholeLines(const std::string& path) {
  InputFile file = openInput(path);
  if (!file) fatal("ERROR: Analysis file is not found.\n");
  AnalysisLines lines = readAnalysisLines(file.get());
  requireWholeFile(file.get(), "Analysis file", path);
  return lines;
}

void readAnnotationEntry(const AnalysisLines& lines) {
  const size_t at = lines.find(kAnnotationLabel);
  if (at == std::string::npos) fatal("ERROR: '::annotation file' label is not found.\n");
  std::vector<std::string> values = lines.section(at);
  if (values.empty()) fatal("ERROR: Annotation file is not set.\n");
  settings.annotationFilePath = values[0];
  requireRegularInput(settings.annotationFilePath, "Annotation file");
  if (!canOpenForReading(settings.annotationFilePath)) {
    fatal("ERROR: Cannot open annotation file.\n");
  }
  std::fprintf(stderr, "Annotation file:\t%s\n", settings.annotationFilePath.c_str());
}

void readAreaEntries(const AnalysisLines& lines) {
  {
    const size_t at = lines.find(kExcludedLabel);
    if (at == std::string::npos) fatal("ERROR: '::Excluded area file' label is not found.\n");
    std::vector<std::string> values = lines.section(at);
    if (!values.empty()) {
      settings.exclusionFilePath = values[0];
      settings.targetFilePath.clear();
      requireRegularInput(settings.exclusionFilePath, "Excluded area file");
      if (!canOpenForReading(settings.exclusionFilePath)) {
        fatal("ERROR: Cannot open excluded area file.\n");
      }
      std::fprintf(stderr, "Excluded area file:\t%s\n", settings.exclusionFilePath.c_str());
      return;  // an excluded area file wins; the target label is not looked for
    }
    std::fprintf(stderr, "Excluded area file is not set.\n");
    settings.exclusionFilePath.clear();
  }
  std::vector<std::string> values;
  if (size_t at = lines.find(kTargetLabel); at != std::string::npos) values = lines.section(at);
  if (values.empty()) {
    std::fprintf(stderr, "Target area file is not set.\n");
    settings.targetFilePath.clear();
    return;
  }
  settings.targetFilePath = values[0];
  requireRegularInput(settings.targetFilePath, "Target area file");
  if (!canOpenForReading(settings.targetFilePath)) fatal("ERROR: Cannot open target area file.\n");
  std::fprintf(stderr, "Target area file:\t%s\n", settings.targetFilePath.c_str());
}

// The texts that tell the two pools apart; everything else they share.
struct PoolEntryTexts {
  int pool;
  AnalysisLabel label;
  const char* labelMissing;
  const char* fileMissing;  // "%s" is the path
  const char* report;       // "%d" is the count
  const char* kind;         // for the limit message
  int limit;
};

void readPoolEntries(const AnalysisLines& lines, const PoolEntryTexts& texts) {
  const size_t at = lines.find(texts.label);
  if (at == std::string::npos) fatal("%s", texts.labelMissing);
  std::vector<std::string> paths = lines.section(at);
  if (paths.empty()) {
    // Patients are required; a control pool may be left out.
    if (texts.pool == enum_patients) fatal("ERROR: Patient pool is not set.\n");
    std::fprintf(stderr, "Control pool is not used.\n");
    settings.noTgPool[enum_controls] = 0;
    return;
  }
  if (paths.size() > static_cast<size_t>(texts.limit)) {
    fatal("ERROR: The %s pool holds %zu subjects; at most %d %ss can be analysed.\n", texts.kind,
          paths.size(), texts.limit, texts.kind);
  }
  for (const std::string& p : paths) {
    requireRegularInput(p, texts.pool == enum_patients ? "Patient file" : "Control file");
    if (!canOpenForReading(p)) fatal(texts.fileMissing, p.c_str());
  }
  settings.noTgPool[texts.pool] = static_cast<int32_t>(paths.size());
  try {
    settings.stFile[texts.pool] = paths;
  } catch (const std::bad_alloc&) {
    fatal(texts.pool == enum_patients ? "ERROR: Failed to allocate memory.\n"
                                      : "ERROR: Failed to allocate memory\n");
  }
  std::fprintf(stderr, texts.report, settings.noTgPool[texts.pool]);
  for (const std::string& p : paths) std::fprintf(stderr, "\t%s\n", p.c_str());
}

void readPatientEntries(const AnalysisLines& lines) {
  readPoolEntries(
      lines, {enum_patients, kPatientsLabel, "ERROR: '::Patient pool' label is not found.\n",
              "ERROR: Patient file %s is not found.\n", "Patient pool:\ta total of %d patients\n",
              "patient", kMaxPatients});
}

void readControlEntries(const AnalysisLines& lines) {
  readPoolEntries(
      lines, {enum_controls, kControlsLabel, "ERROR: '::Control pool' label is not found.\n",
              "ERROR: Control file %s is not found.\n", "Control pool:\ta total of %d subjects\n",
              "control", kMaxControls});
}

void readOutputEntry(const AnalysisLines& lines) {
  const size_t at = lines.find(kOutputLabel);
  if (at == std::string::npos) fatal("ERROR: Output director label is not found.\n");
  std::vector<std::string> values = lines.section(at);
  if (values.empty()) fatal("ERROR: Output directory is not set.\n");
  useOutputDirectory(values[0]);
}

void readLargeGapEntry(const AnalysisLines& lines) {
  settings.largeGap = kLargeGapDefault;
  const size_t at = lines.find(kLargeGapLabel);
  if (at == std::string::npos) return;
  settings.largeGap = largeGapFor(lines.lineAfter(at));
}

int decimalDigits(long value) {
  int digits = 1;
  while (value >= 10) {
    value /= 10;
    ++digits;
  }
  return digits;
}

}  // namespace

bool canOpenForReading(const std::string& path) {
  return inputKind(path) == InputKind::regular;
}

void requireRegularInput(const std::string& path, const char* what) {
  if (inputKind(path) == InputKind::notRegular) {
    fatal("ERROR: %s %s is not a regular file (a FIFO, device or socket cannot be read as one).\n",
          what, path.c_str());
  }
}

void checkOutputNameRoom(int chrDigits) {
  // The longest names the run builds, with every number at its widest.
  const char* dir = settings.outputFilePath.c_str();
  long widestCount = 1;
  for (int p = 0; p < 2; ++p) widestCount = std::max<long>(widestCount, settings.noTgPool[p]);
  const int foldDigits = std::max(3, decimalDigits(widestCount));
  const int chr = std::max(3, chrDigits);
  const std::string fold(static_cast<size_t>(foldDigits), '9');
  const std::string chrNumber(static_cast<size_t>(chr), '9');
  outName("%s____temp____", dir);
  outName("%stempFile%s.txt", dir, chrNumber.c_str());
  outName("%sHH_P_Value_Using_Representative_PatientPool_vs_ControlPool.txt", dir);
  outName("%sHH_NoStSharingRCHHsWithRepresentative_PatientPool.txt", dir);
  outName("%sHH_HomozygosityHaplotype_Summary_PatientPool.txt", dir);
  outName("%sHH_FoldOverlap_Summary_PatientPool_chr%s.txt", dir, chrNumber.c_str());
  outName("%sHH_%s_FoldOverlaps_PatientPool_chr%s.txt", dir, fold.c_str(), chrNumber.c_str());
}

void useOutputDirectory(const std::string& path) {
  settings.outputFilePath = path;
  checkOutputNameRoom(3);
  claimOutputDirectory(settings.outputFilePath);
  std::string probeName = settings.outputFilePath + "____temp____";
  FILE* probe = openOutput(probeName);
  if (probe == nullptr) fatal("ERROR: Output directory does not exist.\n");
  std::fprintf(stderr, "Output directory:\t%s\n", settings.outputFilePath.c_str());
  std::fclose(probe);
  std::remove(probeName.c_str());
}

void readAnalysisFile(const std::string& path) {
  const AnalysisLines lines = readWholeLines(path);
  readAnnotationEntry(lines);
  readAreaEntries(lines);
  readPatientEntries(lines);
  readControlEntries(lines);
  readOutputEntry(lines);
  readLargeGapEntry(lines);
}

void readAnalysisInputs(const std::string& path) {
  const AnalysisLines lines = readWholeLines(path);
  readAnnotationEntry(lines);
  readAreaEntries(lines);
  readPatientEntries(lines);
  readControlEntries(lines);
  readLargeGapEntry(lines);
}
