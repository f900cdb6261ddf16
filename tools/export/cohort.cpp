// Reading a velmora cohort: the analysis file's labels, the annotation and the
// genotyping files in either of velmora's two layouts.
#include "cohort.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <stdexcept>
#include <unordered_map>

#include "driver/lines/lines.h"

namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

std::unique_ptr<FILE, FileCloser> openText(const std::string& path, const std::string& what) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "r"));
  if (!file) throw std::runtime_error("cannot open " + what + " " + path);
  return file;
}

// The trimmed non-empty lines of the section after the first line beginning
// with `label`, up to the next line beginning with ':'.
std::vector<std::string> section(const std::string& path, const std::string& label) {
  auto file = openText(path, "analysis file");
  std::string line;
  bool inside = false;
  bool found = false;
  std::vector<std::string> values;
  while (readWholeLine(file.get(), line)) {
    if (inside && !line.empty() && line[0] == ':') break;
    if (inside) {
      std::string copy = line;
      const char* value = strip(copy.data());
      if (*value != '\0') values.emplace_back(value);
    } else if (line.compare(0, label.size(), label) == 0) {
      inside = found = true;
    }
  }
  if (!found) throw std::runtime_error("analysis file " + path + " has no '" + label + "' label");
  return values;
}

long parseLong(const char* text, const std::string& where) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0')
    throw std::runtime_error(where + "'" + text + "' is not a whole number");
  return value;
}

double parseDouble(const char* text, const std::string& where) {
  char* end = nullptr;
  double value = std::strtod(text, &end);
  if (end == text || *end != '\0')
    throw std::runtime_error(where + "'" + text + "' is not a number");
  return value;
}

std::vector<CohortSnp> readAnnotation(const std::string& path) {
  auto file = openText(path, "annotation file");
  std::vector<CohortSnp> snps;
  std::vector<long> numbers;  // chromosome number per SNP, 0 for a letter X
  long highest = 0;
  std::string line;
  char* fields[kMaxFields];
  for (long lineNumber = 1; readWholeLine(file.get(), line); ++lineNumber) {
    std::string where = path + " line " + std::to_string(lineNumber) + ": ";
    if (split(line.data(), fields, "\t", kMaxFields) < 5)
      throw std::runtime_error(where + "fewer than 5 columns");
    char first = fields[0][0];
    if (first == 'Y' || first == 'y') continue;  // velmora skips Y lines too
    long number = (first == 'X' || first == 'x') ? 0 : parseLong(fields[0], where);
    highest = std::max(highest, number);
    numbers.push_back(number);
    snps.push_back(
        CohortSnp{"", parseLong(fields[1], where), fields[3], parseDouble(fields[4], where)});
  }
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
  auto file = openText(path, "genotyping file");
  std::vector<uint8_t> calls(snpCount, 0);
  std::string line;
  char* fields[kMaxFields];
  int idColumn = -1;
  int callColumn = -1;
  while (readWholeLine(file.get(), line)) {
    int count = split(line.data(), fields, "\t", kMaxFields);
    if (idColumn < 0) {
      // velmora's rule: a first field of digits only means the numeric layout.
      std::string first = fields[0];
      bool digits = first.find_first_not_of("0123456789") == std::string::npos;
      idColumn = digits ? 4 : 0;
      callColumn = digits ? 2 : 1;
    }
    if (count <= idColumn) continue;
    auto row = rowOf.find(fields[idColumn]);
    if (row == rowOf.end()) continue;
    calls[row->second] = count > callColumn ? callCode(fields[callColumn]) : 0;
  }
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
  std::vector<std::string> annotation = section(analysisFile, "::annotation file");
  if (annotation.empty()) throw std::runtime_error("analysis file names no annotation file");
  std::vector<std::string> patients = section(analysisFile, "::patient pool");
  std::vector<std::string> controls = section(analysisFile, "::control pool");
  if (patients.empty()) throw std::runtime_error("analysis file names no patient");

  Cohort cohort;
  cohort.snps = readAnnotation(annotation.front());
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
  for (const std::string& path : patients) add(path, true);
  for (const std::string& path : controls) add(path, false);
  return cohort;
}
