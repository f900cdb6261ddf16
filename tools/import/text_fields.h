// Whitespace-separated fields and strict number parsing for the plain-text
// inputs of the import (map files, .bim, .fam, sample lists): a field is a
// number only when the whole field is one, so "12abc" is refused, not read as 12.
#pragma once
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Fields of a line separated by blanks and tabs; a trailing CR (CR LF files) is dropped.
std::vector<std::string_view> whitespaceFields(std::string_view line);

std::optional<int64_t> parseInteger(std::string_view field);
// Finite decimal numbers only: "nan" and "inf" are refused.
std::optional<double> parseDecimal(std::string_view field);

// Reads the next line of a text input, counting lines from 1 for messages.
class LineReader {
 public:
  explicit LineReader(std::istream& in) : in_(in) {}
  bool next(std::string& line);
  int64_t lineNumber() const { return lineNumber_; }

 private:
  std::istream& in_;
  int64_t lineNumber_ = 0;
};
