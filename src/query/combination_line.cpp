// Parsing one answer line of the subject-combination query.
#include "query/combination_line.h"

#include <cctype>
#include <cstring>
#include <set>

CombinationAnswer parseCombinationLine(const char* line, int patients) {
  CombinationAnswer answer;
  if (line[0] == '\n' || line[0] == '\r') return answer;
  const size_t length = std::strlen(line);
  auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
  bool anyDigit = false;
  for (size_t i = 0; i < length; ++i) anyDigit = anyDigit || isDigit(line[i]);
  if (!anyDigit) {
    answer.kind = CombinationAnswer::kNoDigits;
    return answer;
  }
  if (line[0] == '0' && !isDigit(line[1])) return answer;  // a lone 0 ends the dialogue
  std::set<int> chosen;
  for (size_t i = 0; i < length;) {
    if (!isDigit(line[i])) {
      ++i;
      continue;
    }
    size_t runEnd = i;
    while (runEnd < length && isDigit(line[runEnd])) ++runEnd;
    // Leading zeros do not count (05 is 5); long runs are compared as text so
    // that no number overflows.
    size_t first = i;
    while (first + 1 < runEnd && line[first] == '0') ++first;
    const std::string digits(line + first, runEnd - first);
    const std::string limit = std::to_string(patients);
    const bool tooLarge =
        digits.size() > limit.size() || (digits.size() == limit.size() && digits > limit);
    if (digits == "0" || tooLarge) {
      answer.kind = CombinationAnswer::kOutOfRange;
      answer.outOfRange = digits;
      answer.subjects.clear();
      return answer;
    }
    chosen.insert(std::stoi(digits));
    i = runEnd;
  }
  answer.kind = CombinationAnswer::kChosen;
  answer.subjects.assign(chosen.begin(), chosen.end());
  return answer;
}
