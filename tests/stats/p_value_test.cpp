// The one-sided two-proportion test of patients against controls.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "stats/significance_steps.h"
#include "stats/stats.h"

namespace {

// The z test written out independently, with the standard library's erfc.
double referencePValue(double nP, double nC, double sP, double sC) {
  const double g = (sP + sC + 0.5) / (nP + nC + 1);
  const double d = (sP + 0.5) / (nP + 1) - (sC + 0.5) / (nC + 1);
  const double z = d / std::sqrt(g * (1 - g) * (1 / nP + 1 / nC));
  return 0.5 * std::erfc(z / std::sqrt(2.0));
}

TEST(PValue, EqualProportionsGiveExactlyOneHalf) {
  EXPECT_EQ(hhstats::p_value(10, 10, 2, 2), 0.5);
  EXPECT_EQ(hhstats::p_value(7, 7, 0, 0), 0.5);
  EXPECT_EQ(hhstats::p_value(1, 1, 1, 1), 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%f", static_cast<double>(hhstats::minusLog10(0.5)));
  EXPECT_STREQ(text, "0.301030");
}

TEST(PValue, DirectionSymmetryAndReference) {
  // 8 of 10 patients against 2 of 10 controls: z = (6/11) / sqrt(0.05).
  const double p = hhstats::p_value(10, 10, 8, 2);
  EXPECT_NEAR(p, referencePValue(10, 10, 8, 2), 1e-13 * p);
  EXPECT_LT(p, 0.01);
  EXPECT_GT(p, 0.005);
  // Swapping the pools reverses the direction of the one-sided test.
  EXPECT_NEAR(hhstats::p_value(10, 10, 2, 8), 1 - p, 1e-14);

  const int cases[][4] = {{3, 7, 3, 0}, {25, 40, 1, 30}, {100, 250, 60, 70}, {2, 1, 0, 1}};
  for (const auto& c : cases) {
    const double forward = hhstats::p_value(c[0], c[1], c[2], c[3]);
    const double reverse = hhstats::p_value(c[1], c[0], c[3], c[2]);
    EXPECT_NEAR(forward + reverse, 1.0, 1e-14);
    EXPECT_NEAR(forward, referencePValue(c[0], c[1], c[2], c[3]), 1e-12);
    EXPECT_GE(forward, 0.0);
    EXPECT_LE(forward, 1.0);
  }
  // More sharing among controls: p above 0.5, -log10 p below 0.30103 but not negative.
  const float below = hhstats::minusLog10(hhstats::p_value(10, 10, 1, 6));
  EXPECT_LT(below, 0.30103f);
  EXPECT_GE(below, 0.0f);
}

TEST(PValue, UnderflowKeepsMinusLogPFinite) {
  // 800 sharing patients against none of 800 controls: p underflows to 0.
  EXPECT_EQ(hhstats::p_value(800, 800, 800, 0), 0.0);
  const float extreme = hhstats::minusLog10(0.0);
  EXPECT_TRUE(std::isfinite(extreme));
  EXPECT_NEAR(extreme, 323.306f, 0.01f);
  // Below 1/DBL_MAX the inverse overflows; the value still grows as p shrinks.
  const float tiny = hhstats::minusLog10(1e-310);
  EXPECT_NEAR(tiny, 310.0f, 0.001f);
  EXPECT_LT(tiny, extreme);
  EXPECT_NEAR(hhstats::minusLog10(1e-300), 300.0f, 0.001f);
}

}  // namespace
