// Reading the analysis file as velmora reads it, and writing its copy.
#include "base/analysis_input.h"

#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "base/analysis_labels.h"
#include "base/input_file.h"
#include "base/lines.h"

namespace fs = std::filesystem;

namespace {

AnalysisLines fileLines(const std::string& path) {
  InputFile file = openInput(path);
  if (!file) throw std::runtime_error("cannot open the analysis file " + path);
  AnalysisLines lines = readAnalysisLines(file.get());
  if (whyNoLine(file.get()) != LineStop::endOfFile) {
    throw std::runtime_error("the analysis file " + path + " has a line of " +
                             std::to_string(kLineLimit) + " characters or more, or cannot be read");
  }
  return lines;
}

std::vector<std::string> requiredSection(const AnalysisLines& lines, const AnalysisLabel& label,
                                         const std::string& path) {
  size_t at = lines.find(label);
  if (at == std::string::npos) {
    throw std::runtime_error("the analysis file " + path + " has no '" + label.text + "' label");
  }
  return lines.section(at);
}

std::string absolute(const std::string& path) {
  return fs::absolute(path).lexically_normal().string();
}

}  // namespace

size_t AnalysisLines::find(const AnalysisLabel& label) const {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (std::strncmp(lines[i].c_str(), label.text, label.compared) == 0) return i;
  }
  return std::string::npos;
}

std::vector<std::string> AnalysisLines::section(size_t at) const {
  std::vector<std::string> values;
  for (size_t i = at + 1; i < lines.size() && lines[i][0] != ':'; ++i) {
    std::vector<char> copy(lines[i].begin(), lines[i].end());
    copy.push_back('\0');
    const char* value = strip(copy.data());
    if (*value != '\0') values.emplace_back(value);
  }
  return values;
}

std::optional<std::string> AnalysisLines::lineAfter(size_t at) const {
  if (at + 1 >= lines.size()) return std::nullopt;
  return lines[at + 1];
}

AnalysisLines readAnalysisLines(std::FILE* file) {
  AnalysisLines read;
  std::vector<char> buffer(kLineLimit + 1);
  while (MyFgets(buffer.data(), kLineLimit, file) != nullptr)
    read.lines.emplace_back(buffer.data());
  return read;
}

AnalysisInput readAnalysisInput(const std::string& path) {
  AnalysisLines lines = fileLines(path);
  AnalysisInput input;
  std::vector<std::string> annotation = requiredSection(lines, kAnnotationLabel, path);
  if (annotation.empty())
    throw std::runtime_error("the analysis file " + path + " names no annotation file");
  input.annotation = annotation[0];
  std::vector<std::string> excluded = requiredSection(lines, kExcludedLabel, path);
  if (!excluded.empty()) {
    input.excluded = excluded[0];
  } else if (size_t at = lines.find(kTargetLabel); at != std::string::npos) {
    std::vector<std::string> target = lines.section(at);
    if (!target.empty()) input.target = target[0];
  }
  input.patients = requiredSection(lines, kPatientsLabel, path);
  if (input.patients.empty())
    throw std::runtime_error("the analysis file " + path + " names no patient");
  input.controls = requiredSection(lines, kControlsLabel, path);
  std::vector<std::string> output = requiredSection(lines, kOutputLabel, path);
  if (!output.empty()) input.outputDirectory = output[0];
  if (size_t at = lines.find(kLargeGapLabel); at != std::string::npos) {
    input.largeGapLine = lines.lineAfter(at);
  }
  // velmora-import notes the build its input told in a comment line.
  const std::string buildComment = ": genome build ";
  for (const std::string& line : lines.lines) {
    if (line.compare(0, buildComment.size(), buildComment) != 0) continue;
    std::vector<char> copy(line.begin() + static_cast<long>(buildComment.size()), line.end());
    copy.push_back('\0');
    const std::string name = strip(copy.data());
    if (!name.empty()) input.genomeBuild = name;
    break;
  }
  return input;
}

std::string analysisCopyText(const AnalysisInput& input, const std::string& sourcePath,
                             const std::string& outputDirectory) {
  std::string text = ": Copy of " + absolute(sourcePath) +
                     " written by velmora-report: absolute paths, output directory replaced.\n";
  text += "::annotation file\n" + absolute(input.annotation) + "\n";
  text += "::excluded area file\n";
  if (!input.excluded.empty()) text += absolute(input.excluded) + "\n";
  text += "::target area file\n";
  if (!input.target.empty()) text += absolute(input.target) + "\n";
  text += "::patient pool\n";
  for (const std::string& p : input.patients) text += absolute(p) + "\n";
  text += "::control pool\n";
  for (const std::string& c : input.controls) text += absolute(c) + "\n";
  text += "::output directory\n" + outputDirectory + "\n";
  if (input.largeGapLine) text += "::use large gap\n" + *input.largeGapLine + "\n";
  return text;
}
