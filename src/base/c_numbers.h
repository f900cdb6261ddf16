// The numbers that the C conversions (scanf's %d, %ld, %f and %lf, strtol,
// atof) read at the start of a text, found without the C library for the
// plain forms that the run's own files and nearly every input hold: blanks,
// an optional '-', digits, and for reals optionally a point and digits. Any
// other form answers false, and the caller uses the C conversion itself, so
// the value never differs from what it would give.
#pragma once
#include <charconv>
#include <cstdint>

namespace c_numbers_detail {

inline bool isDigit(char c) {
  return static_cast<unsigned>(c - '0') < 10;
}

// Where the number starts: the C conversions skip leading blanks.
inline const char* skipBlanks(const char* text) {
  while (*text == ' ') ++text;
  return text;
}

}  // namespace c_numbers_detail

// An integer of at most `maxDigits` digits (9 keeps "%d" within 32 bits,
// 18 keeps "%ld" and strtol within 64), read up to the first byte that is
// not a digit, as the C conversions stop there. `text` ends with a NUL.
inline bool plainIntegerPrefix(const char* text, int64_t& value, int maxDigits) {
  using namespace c_numbers_detail;
  const char* start = skipBlanks(text);
  const char* at = start + (*start == '-' ? 1 : 0);
  const char* digits = at;
  while (isDigit(*at)) ++at;
  if (at == digits || at - digits > maxDigits) return false;
  int64_t v = 0;
  for (const char* d = digits; d < at; ++d) v = v * 10 + (*d - '0');
  value = *start == '-' ? -v : v;
  return true;
}

// A real, "digits" or "digits.digits" of at most 30 digits in all (no value
// of such text leaves the range of a float or falls below its normal
// numbers), ending at a byte that could not continue a number in any form
// the C conversions take (no digit, point or letter). Correctly rounded
// like the C library: std::from_chars rounds decimal text the same way.
template <class Real>
bool plainDecimalPrefix(const char* text, Real& value) {
  using namespace c_numbers_detail;
  const char* start = skipBlanks(text);
  const char* at = start + (*start == '-' ? 1 : 0);
  const char* digits = at;
  while (isDigit(*at)) ++at;
  if (at == digits) return false;
  int count = static_cast<int>(at - digits);
  if (*at == '.') {
    const char* fraction = ++at;
    while (isDigit(*at)) ++at;
    if (at == fraction) return false;
    count += static_cast<int>(at - fraction);
  }
  const char next = *at;
  if (count > 30 || next == '.' || (next >= 'A' && next <= 'Z') || (next >= 'a' && next <= 'z')) {
    return false;
  }
  Real v = 0;
  const auto result = std::from_chars(start, at, v);
  if (result.ec != std::errc() || result.ptr != at) return false;
  value = v;
  return true;
}
