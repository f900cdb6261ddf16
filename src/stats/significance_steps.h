// The steps of the significance scan, each small enough to be checked on its
// own: pair keys, segment flags, -log10 p with its maximum, shades, legend.
#pragma once
#include <cstdint>

#include "genome/model.h"

namespace hhstats {

// Key of a (patient count, control count) pair: patients·65536 + controls in
// 32-bit arithmetic, sign-extended. Keys of different pairs differ only while
// patients < 32768 and controls < 65536; the run refuses larger pools before
// it starts, so equal keys here always mean equal counts.
int64_t pairKey(int32_t patients, int32_t controls);

// Stores pairKey of every SNP of the analysis regions in foldOverlap[enum_significance].
void setPairKeys();

// Flags the runs of equal nonzero key on every autosome slot.
void flagSegments();

// -log10 p, computed in double and stored as the record's float.
float minusLog10(double p);

// Rewrites minusLogP at every SNP that starts or ends a segment and returns M,
// the largest minusLogP over all SNPs of the regions, including values other
// SNPs kept from an earlier scan. M is kept in single precision, as stored.
float scanMinusLogP();

// shade = 1 - (minusLogP / M)^3 at every SNP of the regions; all 1 when M is 0.
void setShades(float M);

// The five legend entries for largest value M: labels M, 0.8·M, .. 0.2·M and
// the shades those values get. With M = 0 every label is 0 and the shades
// follow 1 - t³ so that the legend stays a readable colour ramp.
void fillLegend(float M, ColourBarEntry legend[5]);

}  // namespace hhstats
