// Streaming a fold-overlap summary file with the core's line reader; lines of
// any length are read whole (a pool of thousands of subjects makes long rows).
#include "summary_file.h"

#include <cstdlib>
#include <cstring>

#include "base/input_file.h"
#include "base/lines.h"
#include "report_error.h"

namespace {

// A count as velmora writes it: digits, or digits in parentheses outside the regions.
bool parseCount(const char* text, int& value, bool& parenthesised) {
  parenthesised = *text == '(';
  if (parenthesised) ++text;
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text) return false;
  if (parenthesised && *end++ != ')') return false;
  if (*end != '\0') return false;
  value = static_cast<int>(v);
  return true;
}

}  // namespace

void readSummaryFile(const std::string& path, int subjects, bool withCounts,
                     const std::function<void(size_t ordinal, const SummaryRow& row)>& visit) {
  InputFile file = openInput(path);
  if (!file) throw ReportError("velmora wrote no " + path);
  std::string line;
  SummaryRow row;
  size_t ordinal = 0;
  int64_t number = 0;
  std::vector<char*> fields;
  while (readWholeLine(file.get(), line)) {
    ++number;
    if (line.rfind("chr\t", 0) == 0) continue;  // the header
    fields.clear();
    char* p = line.data();
    fields.push_back(p);
    for (char* tab; (tab = std::strchr(p, '\t')) != nullptr; p = tab + 1) {
      *tab = '\0';
      fields.push_back(tab + 1);
    }
    size_t expected = 5 + static_cast<size_t>(subjects) + 2;
    bool parenthesised = false;
    if (fields.size() != expected || !parseCount(fields[expected - 2], row.level, parenthesised)) {
      throw ReportError(path + " line " + std::to_string(number) + ": not a row of " +
                        std::to_string(subjects) + " subjects");
    }
    row.inRegion = !parenthesised;
    row.chromosome = std::atoi(fields[0]);
    row.bp = std::atoll(fields[1]);
    row.cM = std::atof(fields[2]);
    row.counts.resize(withCounts ? static_cast<size_t>(subjects) : 0);
    for (size_t s = 0; withCounts && s < row.counts.size(); ++s) {
      bool inner = false;
      if (!parseCount(fields[5 + s], row.counts[s], inner)) {
        throw ReportError(path + " line " + std::to_string(number) + ": count '" + fields[5 + s] +
                          "' is not a number");
      }
    }
    visit(ordinal++, row);
  }
  if (whyNoLine(file.get()) == LineStop::readError) throw ReportError("cannot read " + path);
}
