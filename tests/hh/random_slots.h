// Random slots for checking the fast engine against the straightforward one:
// gaps at and around largeGap, equal positions and map values, map values on
// a quarter-cM grid so that stretch lengths often equal the cutoff exactly,
// and, on request, maps that step back or hold NaN and infinities.
#pragma once
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "genome/model.h"

struct RandomSlot {
  std::vector<int64_t> position;  // bp
  std::vector<double> map;        // cM
};

inline int64_t randomLargeGap(std::mt19937& rng) {
  const int64_t choices[] = {kLargeGapDefault, kLargeGapDefault, kLargeGapOff, 5000, 1, 0};
  return choices[rng() % 6];
}

inline RandomSlot randomSlot(std::mt19937& rng, int64_t count, int64_t largeGap, bool oddMaps) {
  RandomSlot slot;
  int64_t position = 1000 + static_cast<int64_t>(rng() % 1000);
  double map = 0.25 * static_cast<double>(1 + rng() % 8);
  for (int64_t i = 0; i < count; ++i) {
    slot.position.push_back(position);
    slot.map.push_back(map);
    const unsigned gapKind = rng() % 25;
    // Steps of exactly largeGap and one either side; equal positions too.
    if (gapKind == 0)
      position += largeGap - 1;
    else if (gapKind == 1)
      position += largeGap;
    else if (gapKind == 2)
      position += largeGap + 1;
    else if (gapKind == 3)
      position += 0;
    else
      position += 1 + static_cast<int64_t>(rng() % 5000);
    const unsigned mapKind = rng() % 100;
    if (oddMaps && mapKind < 3)
      map -= 0.5;
    else if (oddMaps && mapKind == 3)
      map = std::numeric_limits<double>::quiet_NaN();
    else if (oddMaps && mapKind == 4)
      map = std::numeric_limits<double>::infinity();
    else if (oddMaps && mapKind == 5)
      map = 2.0;  // back to finite after NaN or infinity
    else if (mapKind < 25)
      map += 0;  // equal map positions
    else
      map += 0.25 * static_cast<double>(rng() % 8);
  }
  return slot;
}

// Cutoffs of 0, below 0, equal to the length of a stretch of the slot, on the
// grid, and the odd ones (NaN, infinite).
inline double randomCutoff(std::mt19937& rng, const std::vector<double>& map) {
  const unsigned kind = rng() % 12;
  if (kind == 0) return 0.0;
  if (kind == 1) return -1.5;
  if (kind == 2) return std::numeric_limits<double>::quiet_NaN();
  if (kind == 3) return std::numeric_limits<double>::infinity();
  if (kind < 7 && map.size() >= 2) {
    const size_t i = rng() % map.size(), j = rng() % map.size();
    const double length = map[std::max(i, j)] - map[std::min(i, j)];
    if (!std::isnan(length)) return length;
  }
  return 0.25 * static_cast<double>(rng() % 24);
}

// One code per SNP: mostly AA with `noise` the chance of a random other code
// (none, BB, AB), so that stretches are long when noise is small.
inline std::vector<int> randomCalls(std::mt19937& rng, int64_t count, double noise) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<int> codes;
  for (int64_t i = 0; i < count; ++i) {
    codes.push_back(unit(rng) < noise ? static_cast<int>(rng() % 4) : GTYPE_AA);
  }
  return codes;
}

inline double randomNoise(std::mt19937& rng) {
  const double choices[] = {0.01, 0.05, 0.2, 0.6, 1.0};
  return choices[rng() % 5];
}
