// Telling a genetic map in Morgans from one in cM by its density. Human maps
// run at about 0.5 to 3 cM per Mb over any stretch of several Mb; a map in
// Morgans gives a hundredth of that, whatever the chromosomes' span (a chr21
// and chr22 cohort spans 70 Mb, a whole genome 2 900 Mb).
#pragma once
#include <cstdint>
#include <vector>

// One chromosome's analysed stretch: its first and last SNP.
struct MapStretch {
  int64_t firstBp = 0, lastBp = 0;  // bp, 1-based
  double firstCm = 0, lastCm = 0;   // the map's values there, in the map's unit
};

// Stretches shorter than this (bp) say little about density and are passed over.
constexpr int64_t kDensityMinStretchBp = 2000000;
// Together the stretches weighed must cover at least this much (bp).
constexpr int64_t kDensityMinTotalBp = 10000000;
// Below this many map units per Mb the map is taken to be in Morgans.
constexpr double kMorgansBelowPerMb = 0.1;

// True when the stretches of at least kDensityMinStretchBp together cover at
// least kDensityMinTotalBp and their map length per Mb is below
// kMorgansBelowPerMb. A map that is flat (every value 0) counts as Morgans
// too: it is no cM map either.
bool looksLikeMorgans(const std::vector<MapStretch>& stretches);
