// Numeric fields of the input files, read as C formatted input reads them:
// leading white space skipped, the longest valid prefix converted, the rest of
// the field ignored ("12abc" reads 12). Each returns false when the field holds
// no number; the target is then left untouched, and callers reject the line
// rather than reuse an earlier line's value.
// The plain forms are read without the C library (c_numbers.h), with the
// same values.
#pragma once
#include <cstdint>
#include <cstdio>

#include "base/c_numbers.h"

// "%d": a value beyond 32 bits keeps its low 32 bits, as the C library stores it.
inline bool scanInt32(const char* field, int32_t& value) {
  int64_t plain = 0;
  if (plainIntegerPrefix(field, plain, 9)) {
    value = static_cast<int32_t>(plain);
    return true;
  }
  int v = 0;
  if (std::sscanf(field, "%d", &v) != 1) return false;
  value = v;
  return true;
}

inline bool scanInt64(const char* field, int64_t& value) {
  if (plainIntegerPrefix(field, value, 18)) return true;
  long v = 0;
  if (std::sscanf(field, "%ld", &v) != 1) return false;
  value = v;
  return true;
}

// "%f": decimal text rounded once, straight to single precision.
inline bool scanFloat(const char* field, float& value) {
  if (plainDecimalPrefix(field, value)) return true;
  float v = 0;
  if (std::sscanf(field, "%f", &v) != 1) return false;
  value = v;
  return true;
}

inline bool scanDouble(const char* field, double& value) {
  if (plainDecimalPrefix(field, value)) return true;
  double v = 0;
  if (std::sscanf(field, "%lf", &v) != 1) return false;
  value = v;
  return true;
}
