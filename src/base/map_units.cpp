// The density rule for maps in Morgans.
#include "map_units.h"

bool looksLikeMorgans(const std::vector<MapStretch>& stretches) {
  int64_t bp = 0;
  double units = 0;
  for (const MapStretch& s : stretches) {
    if (s.lastBp - s.firstBp < kDensityMinStretchBp) continue;
    bp += s.lastBp - s.firstBp;
    units += s.lastCm - s.firstCm;
  }
  if (bp < kDensityMinTotalBp) return false;
  return units / (static_cast<double>(bp) / 1e6) < kMorgansBelowPerMb;
}
