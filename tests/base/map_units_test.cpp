// The map-density rule: a map in Morgans is told from one in cM over spans of
// any size, and short or cold stretches never pass for Morgans on their own.
#include "base/map_units.h"

#include <gtest/gtest.h>

namespace {

TEST(MapUnits, MorgansAreToldByDensityWhateverTheSpan) {
  // chr21 and chr22 as a real array analyses them: about 33 and 35 Mb,
  // 60 and 70 cM.
  std::vector<MapStretch> cm{{14600000, 48100000, 0.1, 60.2}, {16100000, 51200000, 0.2, 70.4}};
  EXPECT_FALSE(looksLikeMorgans(cm));
  std::vector<MapStretch> morgans = cm;
  for (MapStretch& s : morgans) s.firstCm /= 100, s.lastCm /= 100;
  EXPECT_TRUE(looksLikeMorgans(morgans));

  // A whole genome in Morgans is caught as well, and a flat map is no cM map.
  std::vector<MapStretch> genome;
  for (int c = 0; c < 22; ++c) genome.push_back({1000000, 131000000, 0, 1.4});
  EXPECT_TRUE(looksLikeMorgans(genome));
  for (MapStretch& s : genome) s.lastCm = 0;
  EXPECT_TRUE(looksLikeMorgans(genome));

  // Too little to judge: one 3 Mb window in a cold spot, or many stretches
  // each under 2 Mb, whatever their density.
  EXPECT_FALSE(looksLikeMorgans({{5000000, 8000000, 10.0, 10.05}}));
  std::vector<MapStretch> short_;
  for (int c = 0; c < 22; ++c) short_.push_back({1000000, 2900000, 0, 0.001});
  EXPECT_FALSE(looksLikeMorgans(short_));
  // A cold but real map over 12 Mb stays cM: 0.2 cM per Mb.
  EXPECT_FALSE(looksLikeMorgans({{10000000, 22000000, 5.0, 7.4}}));
}

}  // namespace
