// The large gap: neighbouring SNPs further apart than this (bp) end a
// homozygous stretch. One home for its values and for how the analysis
// file's "::use large gap" line sets it, which velmora and the report read.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

// Default and switched-off large gap (bp between neighbouring SNPs).
constexpr int64_t kLargeGapDefault = 300000;
constexpr int64_t kLargeGapOff = 900000000;

// The large gap the line after the "::use large gap" label asks for (none:
// no such line): a line beginning "NO" switches it off.
inline int64_t largeGapFor(const std::optional<std::string>& line) {
  return line && line->compare(0, 2, "NO") == 0 ? kLargeGapOff : kLargeGapDefault;
}
