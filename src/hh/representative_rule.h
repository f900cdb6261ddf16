// The rule of the representative HH at one SNP, in one home for the pass
// (obtainRepresentativeHH) and for the relabellings of the permutation scan:
// where enough patients share an RCHH, the majority homozygote of the sharing
// group; elsewhere the homozygote of the less frequent allele.
#pragma once
#include <cstdint>

#include "genome/model.h"

// The fold level (patients sharing) from which the sharing group's majority
// decides the call.
constexpr int64_t kRepresentativeMajorityLevel = 4;

// Whether a patient with `count` RCHHs shared at a SNP of fold level `level`
// belongs to the sharing group there (it shares with every other member).
inline bool inSharingGroup(int64_t count, int64_t level) {
  return count >= level - 1;
}

// The call of a sharing group with `aa` AA and `bb` BB calls: its majority
// homozygote; a tie is AB, which never counts as an opposite homozygote.
inline int majorityHomozygote(int aa, int bb) {
  return aa > bb ? GTYPE_AA : aa < bb ? GTYPE_BB : GTYPE_AB;
}

// The call where no majority decides: the homozygote of the less frequent
// allele (`freqA` the frequency of allele A).
inline int lessFrequentHomozygote(double freqA) {
  return freqA < 0.5 ? GTYPE_AA : GTYPE_BB;
}
