// One-sided two-proportion z test of patient sharing against control sharing.
#include <cmath>

#include "stats/stats.h"

namespace hhstats {

// Adding 0.5 to each sharing count and 1 to each pool size keeps the pooled
// proportion strictly between 0 and 1, so the variance is positive for any
// counts 0 <= s <= n with both pools non-empty (the only way it is called).
double p_value(int nP, int nC, int sP, int sC) {
  const double np = nP, nc = nC, sp = sP, sc = sC;
  const double g = (sc + (sp + 0.5)) / ((1 + np) + nc);
  const double d = (sp + 0.5) / (1 + np) - (0.5 + sc) / (1 + nc);
  const double z = d / std::sqrt(g * (1 - g) * (1 / np + 1 / nc));
  return q_normal(z);
}

}  // namespace hhstats
