// The fold-overlap level of one SNP by one counting pass over its counters.
#pragma once
#include <cstdint>
#include <vector>

// Same result as foldLevel (the smallest L such that at most L of the n
// counters are at least L) from a histogram of the counters clipped to n.
// `histogram` is scratch, reused between calls.
uint32_t foldLevelCounted(const uint16_t* counts, int n, std::vector<uint32_t>& histogram);
