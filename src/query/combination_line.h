// Parsing one answer line of the subject-combination query.
#pragma once
#include <string>
#include <vector>

struct CombinationAnswer {
  enum Kind { kEnd, kNoDigits, kOutOfRange, kChosen } kind = kEnd;
  std::vector<int> subjects;  // chosen patient numbers (1-based), ascending, each once
  std::string outOfRange;     // the offending number as %d would print it
};

// Reads the line as the query does: a line starting with a line end ends the
// dialogue, a lone leading 0 ends it too, any non-digit separates numbers, and
// a number outside 1..patients rejects the whole line. A number given twice is
// chosen once.
CombinationAnswer parseCombinationLine(const char* line, int patients);
