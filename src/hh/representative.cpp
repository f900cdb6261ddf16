// The representative HH of the patient pool, and every subject of a pool
// compared with it.
#include <cstdio>

#include "base/output.h"
#include "genome/model.h"
#include "hh/engine_internal.h"
#include "hh/engine_options.h"
#include "hh/hh.h"
#include "hh/representative_rule.h"

namespace {

// Representative call at SNP k (representative_rule.h).
int representativeCode(const SNPRecord& snp, int n) {
  const int64_t level = snp.foldOverlap[enum_patients];
  if (level >= kRepresentativeMajorityLevel) {
    int nA = 0, nB = 0;
    for (int m = 0; m < n; ++m) {
      if (!inSharingGroup(snp.rchhCount[m], level)) continue;
      const int code = getGType(snp.gType[enum_patients], static_cast<uint64_t>(m));
      if (code == GTYPE_AA) ++nA;
      if (code == GTYPE_BB) ++nB;
    }
    return majorityHomozygote(nA, nB);
  }
  return lessFrequentHomozygote(static_cast<double>(snp.freqA));
}

}  // namespace

void obtainRepresentativeHH(int chr) {
  const int n = settings.noTgPool[enum_patients];
  const int64_t index = static_cast<int64_t>(n) * autosomeSlots() + chr;
  std::vector<int64_t>& counts = genome.nEffectiveSNP[enum_patients];
  if (chr < 0 || chr >= autosomeSlots() || index >= static_cast<int64_t>(counts.size())) {
    fatal("ERROR: No representative call count for chromosome %d.\n", chr + 1);
  }
  const int64_t s = slotBegin(chr), e = slotEnd(chr);
  for (int64_t k = s; k < e; ++k) {
    SNPRecord& snp = genome.sumSNP[k];
    putGType(snp.gType[enum_patients], static_cast<uint64_t>(n), representativeCode(snp, n));
  }
  // The representative has a call at every SNP of the slot.
  counts[static_cast<size_t>(index)] = e - s;
}

void countRCHHSharedWithRepresentativePatients(int pool, int n, int chr) {
  std::fflush(stdout);
  requireSlot(chr);
  const int64_t s = slotBegin(chr), e = slotEnd(chr);
  for (int64_t k = s; k < e; ++k) genome.sumSNP[k].rchhCount[n] = 0;

  const double step = n / 10.0 - 0.001;
  if (n > 0) {
    SlotArrays arrays;
    loadSlotArrays(chr, arrays);
    PairPlan plan;
    plan.pool = pool;
    for (int st = 0; st < n; ++st) plan.members.push_back(st);
    plan.representativeSlot = n;
    plan.step = step;
    if (referenceEngine() || !compareAllPairsFast(arrays, plan)) {
      long nextTenth = 1;
      for (int st = 0; st < n; ++st) {
        comparePair(arrays, st, n, pool, 1);
        printProgress(chr, static_cast<double>(st + 1), step, &nextTenth);
      }
    }
  }

  clearLevels(pool, chr);
  forEachRegionSnp(chr,
                   [&](int64_t k) { storeLevel(pool, chr, k, genome.sumSNP[k].rchhCount[n]); });
}
