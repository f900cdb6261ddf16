// Reading a velmora cohort: the analysis file's labels, the annotation and the
// genotyping files in either of velmora's two layouts.
#include "cohort.h"

#include <algorithm>
#include <optional>
#include <set>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

#include "base/analysis_input.h"
#include "base/genotype_layout.h"
#include "base/input_file.h"
#include "base/line_reader.h"
#include "base/lines.h"
#include "base/path_text.h"
#include "base/safe_file.h"
#include "base/text_fields.h"

namespace {

// velmora's inputs are regular files: a FIFO or device is refused, never waited on.
InputFile openText(const std::string& path, const std::string& what) {
  InputFile file = openInput(path);
  if (!file) {
    throw std::runtime_error("cannot open " + what + " " + path +
                             (inputKind(path) == InputKind::notRegular
                                  ? ": it is not a regular file (a FIFO, device or socket)"
                                  : ""));
  }
  return file;
}

// Lines as velmora reads them: one of kLineLimit or more characters, which
// velmora refuses, stops the export instead of growing without bound.
template <typename EachLine>
void forEachLine(const std::string& path, const std::string& what, EachLine eachLine) {
  InputFile file = openText(path, what);
  LineReader reader(file.get());
  std::string_view text;
  std::string line;
  while (reader.next(text)) {
    line.assign(text);
    eachLine(line, path + " line " + std::to_string(reader.lineNumber()) + ": ");
  }
  switch (reader.stop()) {
    case LineStop::endOfFile:
      return;
    case LineStop::lineTooLong:
      throw std::runtime_error(
          what + " " + path + " line " + std::to_string(reader.lineNumber() + 1) + " holds " +
          std::to_string(kLineLimit) + " or more characters, more than velmora reads");
    case LineStop::readError:
      throw std::runtime_error("cannot read " + what + " " + path);
  }
}

int64_t wholeNumber(const char* text, const std::string& where) {
  std::optional<int64_t> value = parseWholeInteger(text);
  if (!value) throw std::runtime_error(where + "'" + text + "' is not a whole number");
  return *value;
}

double finiteNumber(const char* text, const std::string& where) {
  std::optional<double> value = parseWholeDecimal(text);
  if (!value) throw std::runtime_error(where + "'" + text + "' is not a finite number");
  return *value;
}

std::vector<CohortSnp> readAnnotation(const std::string& path) {
  std::vector<CohortSnp> snps;
  std::vector<int64_t> numbers;  // chromosome number per SNP, 0 for a letter X
  int64_t highest = 0;
  char* fields[kMaxFields];
  forEachLine(path, "annotation file", [&](std::string& line, const std::string& where) {
    if (split(line.data(), fields, "\t", kMaxFields) < 5)
      throw std::runtime_error(where + "fewer than 5 columns");
    char first = fields[0][0];
    if (first == 'Y' || first == 'y') return;  // velmora skips Y lines too
    int64_t number = (first == 'X' || first == 'x') ? 0 : wholeNumber(fields[0], where);
    highest = std::max(highest, number);
    numbers.push_back(number);
    snps.push_back(
        CohortSnp{"", wholeNumber(fields[1], where), fields[3], finiteNumber(fields[4], where)});
  });
  if (snps.empty()) throw std::runtime_error("annotation file " + path + " holds no SNP");
  // velmora's X is the highest chromosome number, or a letter X.
  for (size_t i = 0; i < snps.size(); ++i) {
    snps[i].chromosome =
        (numbers[i] == 0 || numbers[i] == highest) ? "X" : std::to_string(numbers[i]);
  }
  return snps;
}

uint8_t callCode(const char* text) {
  std::string call(text, std::min<size_t>(2, std::char_traits<char>::length(text)));
  return call == "AA" ? 1 : call == "BB" ? 2 : call == "AB" ? 3 : 0;
}

std::vector<uint8_t> readCalls(const std::string& path,
                               const std::unordered_map<std::string, size_t>& rowOf,
                               size_t snpCount) {
  std::vector<uint8_t> calls(snpCount, 0);
  char* fields[kMaxFields];
  int idColumn = -1;
  int callColumn = -1;
  forEachLine(path, "genotyping file", [&](std::string& line, const std::string&) {
    int count = split(line.data(), fields, "\t", kMaxFields);
    if (idColumn < 0) {
      const GenotypeLayout layout = layoutOfFirstField(fields[0]);
      idColumn = layout.idColumn;
      callColumn = layout.callColumn;
    }
    if (count <= idColumn) return;
    auto row = rowOf.find(fields[idColumn]);
    if (row == rowOf.end()) return;
    calls[row->second] = count > callColumn ? callCode(fields[callColumn]) : 0;
  });
  return calls;
}

std::string subjectName(const std::string& path) {
  std::string copy = path;
  std::string name = fileNameBody(copy.data());
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0)
    name.resize(name.size() - 4);
  for (char& c : name) {
    if (c == ' ' || c == '\t') c = '_';  // VCF and PLINK names hold no blanks
  }
  return name.empty() ? "subject" : name;
}

}  // namespace

Cohort readCohort(const std::string& analysisFile) {
  // Read as velmora-report reads it: velmora's labels and sections.
  const AnalysisInput input = readAnalysisInput(analysisFile);
  Cohort cohort;
  cohort.sources.push_back(CohortSource{"the annotation file", input.annotation});
  for (size_t i = 0; i < input.patients.size(); ++i) {
    cohort.sources.push_back(
        CohortSource{"patient genotyping file " + std::to_string(i + 1), input.patients[i]});
  }
  for (size_t i = 0; i < input.controls.size(); ++i) {
    cohort.sources.push_back(
        CohortSource{"control genotyping file " + std::to_string(i + 1), input.controls[i]});
  }
  // The paths the export reads: a genotyping file's name becomes a sample
  // name, which VCF and PLINK lines cannot carry with a control character.
  for (const CohortSource& source : cohort.sources) {
    refuseControlCharacters("the path of " + source.what + " in " + analysisFile, source.path);
  }
  // Never written over either: the analysis file, and the area files it
  // names that the export does not read.
  cohort.sources.push_back(CohortSource{"the analysis file", analysisFile});
  if (!input.excluded.empty())
    cohort.sources.push_back(CohortSource{"the excluded area file", input.excluded});
  if (!input.target.empty())
    cohort.sources.push_back(CohortSource{"the target area file", input.target});
  cohort.snps = readAnnotation(input.annotation);
  std::unordered_map<std::string, size_t> rowOf;
  for (size_t i = 0; i < cohort.snps.size(); ++i) rowOf.emplace(cohort.snps[i].id, i);

  std::set<std::string> names;
  auto add = [&](const std::string& path, bool patient) {
    std::string base = subjectName(path);
    std::string name = base;
    for (int suffix = 2; !names.insert(name).second; ++suffix)
      name = base + "_" + std::to_string(suffix);
    cohort.subjects.push_back(
        CohortSubject{name, patient, readCalls(path, rowOf, cohort.snps.size())});
  };
  for (const std::string& path : input.patients) add(path, true);
  for (const std::string& path : input.controls) add(path, false);
  return cohort;
}
