// Type A false-positive estimate: the chance that a stretch of the cutoff's
// length shows no opposite homozygote by luck alone.
#include <cmath>

#include "genome/model.h"
#include "hh/hh.h"

namespace {

// On x86-64 an operation with a NaN operand returns its first NaN operand, and
// an invalid one (0/0, inf*0) the NaN with the sign bit set. The compiler may
// fold (-a)/b into -(a/b), share a/b between the two terms or swap the factors
// of a product; for numbers that changes nothing, for a NaN it flips the sign
// that the pair table prints ("nan" or "-nan"). So the NaN cases are formed
// explicitly, in the order the formula is written.
double quotient(double x, double y) {
  if (std::isnan(x)) return x;
  if (std::isnan(y)) return y;
  return x / y;
}

double product(double x, double y) {
  if (std::isnan(x)) return x;
  if (std::isnan(y)) return y;
  return x * y;
}

// (cutoff / m + 1) * exp((-cutoff) / m), evaluated as written.
double erlangSurvival(double cutoff, double m) {
  const double ratio = quotient(cutoff, m);
  const double factor = std::isnan(ratio) ? ratio : ratio + 1;
  // Read back through a volatile so that the negation cannot be moved past
  // the division.
  volatile double negatedCutoff = -cutoff;
  const double exponent = quotient(negatedCutoff, m);
  const double decay = std::isnan(exponent) ? exponent : std::exp(exponent);  // exp keeps a NaN
  return product(factor, decay);
}

}  // namespace

double falsePositive(int64_t nA, int64_t nB, double* m, int chr, double cutoff) {
  const int64_t s = slotBegin(chr), e = slotEnd(chr);
  const double p = genome.averageMajorAlleleFrequencyWOX;
  const double snps = static_cast<double>(e - s);
  const double length =
      e > s ? genome.sumSNP[e - 1].genetMap - genome.sumSNP[s].genetMap : 0.0;  // cM
  // 2p^2(1-p)^2 is the chance of opposite homozygotes at one SNP, scaled by the
  // two subjects' call counts; kept in this order so the last bits match.
  const double expected =
      (p + p) * p * (1 - p) * (1 - p) * static_cast<double>(nA) * static_cast<double>(nB) / snps;
  *m = length / expected;  // cM between opposite homozygotes
  // Survival function of an Erlang distribution of shape 2 and scale m.
  return erlangSurvival(cutoff, *m);
}
