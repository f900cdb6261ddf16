// Counts of the input records the import leaves out, by reason, for the report.
#pragma once
#include <array>
#include <cstdint>
#include <ostream>

enum class SkipReason {
  chromosomeY,
  mitochondrial,
  unplaced,
  positionNotPositive,
  noAlternative,
  multiAllelic,
  notSnp,
  noCalls,
  missingMap,
  duplicatePosition,
  duplicateId,
  mapDecreasing,
  count_  // number of reasons
};

class SkipTally {
 public:
  void add(SkipReason reason, int64_t n = 1) { counts_[static_cast<size_t>(reason)] += n; }
  int64_t count(SkipReason reason) const { return counts_[static_cast<size_t>(reason)]; }
  int64_t total() const;
  // One line per reason that occurred.
  void report(std::ostream& out) const;

 private:
  std::array<int64_t, static_cast<size_t>(SkipReason::count_)> counts_{};
};
