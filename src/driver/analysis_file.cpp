// Reading the analysis file: labels, sections, checks and the report of what was found.
#include "driver/analysis_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "base/analysis_labels.h"
#include "base/input_file.h"
#include "base/lines.h"
#include "base/output.h"
#include "base/safe_file.h"
#include "driver/output_directory.h"
#include "genome/model.h"

namespace {

// One open of the analysis file, searched from its first line for one label.
class LabelSearch {
 public:
  explicit LabelSearch(const std::string& path) : file_(openRegularForReading(path)) {
    if (file_ == nullptr) fatal("ERROR: Analysis file is not found.\n");
  }
  ~LabelSearch() { std::fclose(file_); }
  LabelSearch(const LabelSearch&) = delete;
  LabelSearch& operator=(const LabelSearch&) = delete;

  // Advances to the first line that begins with the label; false when none does.
  bool find(const AnalysisLabel& label) {
    while (MyFgets(line_.data(), kLineLimit, file_) != nullptr) {
      if (std::strncmp(line_.data(), label.text, label.compared) == 0) return true;
    }
    return false;
  }

  // The trimmed non-empty lines of the section after the label line, up to the
  // next line that begins with ':'.
  std::vector<std::string> section() {
    std::vector<std::string> values;
    while (MyFgets(line_.data(), kLineLimit, file_) != nullptr) {
      if (line_[0] == ':') break;
      const char* value = strip(line_.data());
      if (*value != '\0') values.emplace_back(value);
    }
    return values;
  }

  // The raw line right after the label line, if there is one.
  std::optional<std::string> nextLine() {
    if (MyFgets(line_.data(), kLineLimit, file_) == nullptr) return std::nullopt;
    return std::string(line_.data());
  }

 private:
  FILE* file_;
  std::vector<char> line_ = std::vector<char>(kLineLimit + 1);
};

// A line too long for the line buffer would end every label search there and
// could cut a list of subjects short unnoticed, so the whole file is checked
// before any label is looked for.
void requireWholeLines(const std::string& path) {
  InputFile file = openInput(path);
  if (!file) fatal("ERROR: Analysis file is not found.\n");
  std::vector<char> line(kLineLimit + 1);
  while (MyFgets(line.data(), kLineLimit, file.get()) != nullptr) {
  }
  requireWholeFile(file.get(), "Analysis file", path);
}

void readAnnotationEntry(const std::string& path) {
  LabelSearch search(path);
  if (!search.find(kAnnotationLabel)) fatal("ERROR: '::annotation file' label is not found.\n");
  std::vector<std::string> values = search.section();
  if (values.empty()) fatal("ERROR: Annotation file is not set.\n");
  settings.annotationFilePath = values[0];
  requireRegularInput(settings.annotationFilePath, "Annotation file");
  if (!canOpenForReading(settings.annotationFilePath)) {
    fatal("ERROR: Cannot open annotation file.\n");
  }
  std::fprintf(stderr, "Annotation file:\t%s\n", settings.annotationFilePath.c_str());
}

void readAreaEntries(const std::string& path) {
  {
    LabelSearch search(path);
    if (!search.find(kExcludedLabel)) fatal("ERROR: '::Excluded area file' label is not found.\n");
    std::vector<std::string> values = search.section();
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
  LabelSearch search(path);
  std::vector<std::string> values;
  if (search.find(kTargetLabel)) values = search.section();
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

void readPoolEntries(const std::string& path, const PoolEntryTexts& texts) {
  LabelSearch search(path);
  if (!search.find(texts.label)) fatal("%s", texts.labelMissing);
  std::vector<std::string> paths = search.section();
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

void readPatientEntries(const std::string& path) {
  readPoolEntries(
      path, {enum_patients, kPatientsLabel, "ERROR: '::Patient pool' label is not found.\n",
             "ERROR: Patient file %s is not found.\n", "Patient pool:\ta total of %d patients\n",
             "patient", kMaxPatients});
}

void readControlEntries(const std::string& path) {
  readPoolEntries(
      path, {enum_controls, kControlsLabel, "ERROR: '::Control pool' label is not found.\n",
             "ERROR: Control file %s is not found.\n", "Control pool:\ta total of %d subjects\n",
             "control", kMaxControls});
}

void readOutputEntry(const std::string& path) {
  LabelSearch search(path);
  if (!search.find(kOutputLabel)) fatal("ERROR: Output director label is not found.\n");
  std::vector<std::string> values = search.section();
  if (values.empty()) fatal("ERROR: Output directory is not set.\n");
  useOutputDirectory(values[0]);
}

void readLargeGapEntry(const std::string& path) {
  LabelSearch search(path);
  settings.largeGap = kLargeGapDefault;
  if (!search.find(kLargeGapLabel)) return;
  settings.largeGap = largeGapFor(search.nextLine());
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
  requireWholeLines(path);
  readAnnotationEntry(path);
  readAreaEntries(path);
  readPatientEntries(path);
  readControlEntries(path);
  readOutputEntry(path);
  readLargeGapEntry(path);
}

void readAnalysisInputs(const std::string& path) {
  requireWholeLines(path);
  readAnnotationEntry(path);
  readAreaEntries(path);
  readPatientEntries(path);
  readControlEntries(path);
  readLargeGapEntry(path);
}
