// Linear-time fold-overlap level.
#include "hh/level_count.h"

#include <algorithm>

uint32_t foldLevelCounted(const uint16_t* counts, int n, std::vector<uint32_t>& histogram) {
  if (n <= 0) return 0;
  const size_t levels = static_cast<size_t>(n) + 1;
  if (histogram.size() < levels) histogram.resize(levels);
  std::fill(histogram.begin(), histogram.begin() + static_cast<std::ptrdiff_t>(levels), 0u);
  // A counter above n reaches every level up to n just as n does.
  for (int j = 0; j < n; ++j) ++histogram[std::min<size_t>(counts[j], static_cast<size_t>(n))];
  int64_t reaching = n;  // subjects whose counter is at least `level`
  for (int level = 0; level < n; ++level) {
    if (reaching <= level) return static_cast<uint32_t>(level);
    reaching -= histogram[static_cast<size_t>(level)];
  }
  return static_cast<uint32_t>(n);
}
