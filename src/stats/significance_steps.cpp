// The steps of the significance scan over the analysis regions.
#include "stats/significance_steps.h"

#include <cmath>
#include <limits>

#include "report/report.h"
#include "stats/stats.h"

namespace hhstats {
namespace {

// Calls visit(record) for every SNP of every non-empty analysis region.
template <typename Visit>
void forEachRegionSNP(Visit visit) {
  for (int64_t r = 0; r < genome.noRegions; ++r) {
    const Region& region = genome.includeRegion[r];
    for (int64_t j = region.start; j <= region.end; ++j) visit(genome.sumSNP[j]);
  }
}

}  // namespace

int64_t pairKey(int32_t patients, int32_t controls) {
  // Formed in uint32 so that the shift cannot overflow a signed int; the
  // conversion back to int32 is modular, which gives the sign of the 32-bit key.
  const uint32_t key = (static_cast<uint32_t>(patients) << 16) + static_cast<uint32_t>(controls);
  return static_cast<int32_t>(key);
}

void setPairKeys() {
  forEachRegionSNP([](SNPRecord& snp) {
    snp.foldOverlap[enum_significance] = pairKey(snp.overlapCount[0], snp.overlapCount[1]);
  });
}

void flagSegments() {
  // The highest chromosome number (X, slot lastChromosome - 1) takes no part.
  for (int c = 0; c <= genome.lastChromosome - 2; ++c) {
    Set_up_start_end(0, 0, enum_significance, c);
  }
}

float minusLog10(double p) {
  const double inverse = 1 / p;
  if (std::isinf(inverse)) {
    // Very large pools with extreme sharing drive p below what 1/p can hold, or
    // to 0: take p as the smallest positive double so that the figure keeps a
    // finite maximum (about 323.3) instead of infinite and NaN shades.
    const double floor = std::numeric_limits<double>::denorm_min();
    return static_cast<float>(-std::log(p > floor ? p : floor) / std::log(10.0));
  }
  return static_cast<float>(std::log(inverse) / std::log(10.0));
}

float scanMinusLogP() {
  float M = 0;
  forEachRegionSNP([&M](SNPRecord& snp) {
    // All SNPs of a segment share one pair of counts, so its ends stand for it.
    if (snp.startFlag == 1 || snp.endFlag == 1) {
      snp.minusLogP = minusLog10(p_value(settings.noTgPool[0], settings.noTgPool[1],
                                         snp.overlapCount[0], snp.overlapCount[1]));
    }
    if (snp.minusLogP > M) M = snp.minusLogP;  // a NaN never wins
  });
  return M;
}

void setShades(float M) {
  const double m = M;
  forEachRegionSNP([m](SNPRecord& snp) {
    if (m == 0) {
      snp.shade = 1.0f;  // nothing significant: everything lightest rather than 0/0
      return;
    }
    const double v = snp.minusLogP;
    snp.shade = static_cast<float>(1 - v * v * v / m / m / m);
  });
}

void fillLegend(float M, ColourBarEntry legend[5]) {
  const double m = M;
  for (int i = 0; i < 5; ++i) {
    const double t = 1 - 0.2 * i;
    if (m == 0) {
      legend[i].label = 0.0;
      legend[i].shade = 1 - t * t * t;
    } else {
      legend[i].label = t * m;
      legend[i].shade = 1 - t * m * m * m * t * t / m / m / m;
    }
  }
}

}  // namespace hhstats
