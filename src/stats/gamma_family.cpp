// Log-gamma, the regularised incomplete gamma functions and the chi-square,
// error-function and normal tails built on them. Every formula is evaluated
// in double precision in the order written, left to right, so that printed
// p-values come out the same to the last digit on every build.
#include <cmath>
#include <cstdio>

#include "stats/stats.h"

namespace hhstats {
namespace {

// ln Γ(1/2) = ½·ln π.
constexpr double kLogGammaHalf = 0.5723649429247001;
// ½·ln 2π, the constant of Stirling's series.
constexpr double kHalfLogTwoPi = 0.9189385332046728;
// B2m / (2m·(2m − 1)) for m = 1..8.
constexpr double C2 = 0.08333333333333333;
constexpr double C4 = -0.002777777777777778;
constexpr double C6 = 0.0007936507936507937;
constexpr double C8 = -0.0005952380952380952;
constexpr double C10 = 0.0008417508417508418;
constexpr double C12 = -0.0019175269175269174;
constexpr double C14 = 0.006410256410256411;
constexpr double C16 = -0.02955065359477124;

// Iteration bound of both the series and the continued fraction.
constexpr int kMaxIterations = 1000;

// P(a, x) by its power series; meant for x < 1 + a, where it converges fast.
double lowerSeries(double a, double x, double lga) {
  if (x == 0) return 0.0;
  double term = std::exp(a * std::log(x) - x - lga) / a;
  double sum = term;
  for (int k = 1; k < kMaxIterations; ++k) {
    term = term * x / (a + k);
    const double previous = sum;
    sum = sum + term;
    if (sum == previous) return sum;
  }
  std::fputs("p_gamma(): Do not converge\n", stdout);
  return sum;
}

}  // namespace

double loggamma(double x) {
  // Shift the argument up to 8 so that the asymptotic series is accurate.
  double v = 1.0;
  while (x < 8) {
    v = v * x;
    x = x + 1;
  }
  const double w = 1 / (x * x);
  const double s =
      (((((((C16 * w + C14) * w + C12) * w + C10) * w + C8) * w + C6) * w + C4) * w + C2) / x;
  return kHalfLogTwoPi - std::log(v) - x + (x - 0.5) * std::log(x) + s;
}

double p_gamma(double a, double x, double lga) {
  if (x >= 1 + a) return 1 - q_gamma(a, x, lga);
  return lowerSeries(a, x, lga);
}

double q_gamma(double a, double x, double lga) {
  if (x < 1 + a) return 1 - lowerSeries(a, x, lga);
  // Continued fraction, its convergents taken from Laguerre polynomials la, lb.
  double w = std::exp(a * std::log(x) - x - lga);
  double la = 1.0;
  double lb = 1 + x - a;
  double sum = w / lb;
  for (int k = 2; k < kMaxIterations; ++k) {
    const double t = ((k - 1 - a) * (lb - la) + (k + x) * lb) / k;
    la = lb;
    lb = t;
    w = w * (k - 1 - a) / k;
    const double previous = sum;
    sum = sum + w / (la * lb);
    if (sum == previous) return sum;
  }
  std::fputs("q_gamma(): Do not converge\n", stdout);
  return sum;
}

double p_chisq(double chisq, int df) {
  const double a = 0.5 * df;
  return p_gamma(a, chisq / 2, loggamma(a));
}

double q_chisq(double chisq, int df) {
  const double a = 0.5 * df;
  return q_gamma(a, chisq / 2, loggamma(a));
}

double erf(double x) {
  if (x >= 0) return p_gamma(0.5, x * x, kLogGammaHalf);
  return -p_gamma(0.5, x * x, kLogGammaHalf);
}

double erfc(double x) {
  if (x >= 0) return q_gamma(0.5, x * x, kLogGammaHalf);
  return 1 + p_gamma(0.5, x * x, kLogGammaHalf);
}

double p_normal(double x) {
  if (x >= 0) return 0.5 * (1 + p_gamma(0.5, x * x / 2, kLogGammaHalf));
  return 0.5 * q_gamma(0.5, x * x / 2, kLogGammaHalf);
}

double q_normal(double x) {
  if (x >= 0) return 0.5 * q_gamma(0.5, x * x / 2, kLogGammaHalf);
  return 0.5 * (1 + p_gamma(0.5, x * x / 2, kLogGammaHalf));
}

}  // namespace hhstats
