// Numeric fields of the input files, read as C formatted input reads them:
// leading white space skipped, the longest valid prefix converted, the rest of
// the field ignored ("12abc" reads 12). Each returns false when the field holds
// no number; the target is then left untouched, and callers reject the line
// rather than reuse an earlier line's value.
#pragma once
#include <cstdint>
#include <cstdio>

// "%d": a value beyond 32 bits keeps its low 32 bits, as the C library stores it.
inline bool scanInt32(const char* field, int32_t& value) {
  int v = 0;
  if (std::sscanf(field, "%d", &v) != 1) return false;
  value = v;
  return true;
}

inline bool scanInt64(const char* field, int64_t& value) {
  long v = 0;
  if (std::sscanf(field, "%ld", &v) != 1) return false;
  value = v;
  return true;
}

// "%f": decimal text rounded once, straight to single precision.
inline bool scanFloat(const char* field, float& value) {
  float v = 0;
  if (std::sscanf(field, "%f", &v) != 1) return false;
  value = v;
  return true;
}

inline bool scanDouble(const char* field, double& value) {
  double v = 0;
  if (std::sscanf(field, "%lf", &v) != 1) return false;
  value = v;
  return true;
}
