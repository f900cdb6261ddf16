// Type A false-positive estimate: the chance that a stretch of the cutoff's
// length shows no opposite homozygote by luck alone.
#include <cmath>

#include "genome/model.h"
#include "hh/hh.h"

double falsePositive(int64_t nA, int64_t nB, double* m, int chr, double cutoff) {
  const int64_t s = slotBegin(chr), e = slotEnd(chr);
  const double p = genome.averageMajorAlleleFrequencyWOX;
  const double snps = static_cast<double>(e - s);
  const double length = e > s ? genome.sumSNP[e - 1].genetMap - genome.sumSNP[s].genetMap : 0.0;  // cM
  // 2p^2(1-p)^2 is the chance of opposite homozygotes at one SNP, scaled by the
  // two subjects' call counts; kept in this order so the last bits match.
  const double expected = (p + p) * p * (1 - p) * (1 - p) * static_cast<double>(nA) *
                          static_cast<double>(nB) / snps;
  *m = length / expected;  // cM between opposite homozygotes
  // Survival function of an Erlang distribution of shape 2 and scale m.
  return (cutoff / *m + 1) * std::exp(-cutoff / *m);
}
