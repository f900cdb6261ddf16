// Pairwise RCHH detection: one pair (or one subject and the representative HH)
// on one slot, its flags and cover counters, and its row in the slot's
// temporary pair file.
#include <cstdio>

#include "genome/model.h"
#include "hh/engine_internal.h"
#include "hh/hh.h"

int isHetero(int64_t snp, int st1, int st2) {
  const uint8_t* codes = genome.sumSNP[snp].unpackedGType;
  return oppositeHomozygotes(codes[st1], codes[st2]) ? 1 : 0;
}

namespace {

// The ten tab-separated fields the pair table reads back.
void writePairRow(const SlotArrays& arrays, int st1, int st2, int pool, int representative,
                  const PairTotals& totals) {
  const int chr = arrays.chr;
  const int64_t nA = effectiveSNPs(pool, st1, chr);
  const int64_t nB = effectiveSNPs(pool, st2, chr);
  double m = 0;  // cM, expected spacing of opposite homozygotes
  const double typeA = falsePositive(nA, nB, &m, chr, settings.threshold);
  const double typeB = totals.discordantEnds * m / genome.totalGenetDistanceWOX;
  const double slotLength = arrays.genetMap.back() - arrays.genetMap.front();  // cM
  const double ratio = totals.cMConserved / slotLength;
  const char* name1 = subjectName(pool, st1);
  FILE* file = pass.tempFile[static_cast<size_t>(chr)];
  // Write errors here surface when the run closes the file.
  if (representative == 1) {
    std::fprintf(file, "(%d,representative)\t", st1 + 1);
    std::fprintf(file, "%9.2f\t%s\trepresentative\t%11.2f\t%9.4f\t%14ld\t%14ld\t",
                 settings.threshold, name1, totals.cMConserved, ratio, static_cast<long>(nA),
                 static_cast<long>(nB));
  } else {
    const char* name2 = subjectName(pool, st2);
    std::fprintf(file, "(%d,%d)\t", st1 + 1, st2 + 1);
    std::fprintf(file, "%9.2f\t%s\t%s\t%11.2f\t%9.4f\t%14ld\t%14ld\t", settings.threshold, name1,
                 name2, totals.cMConserved, ratio, static_cast<long>(nA), static_cast<long>(nB));
  }
  std::fprintf(file, "%13.4f\t%13.4f\n", typeA, typeB);
}

}  // namespace

void comparePair(SlotArrays& arrays, int st1, int st2, int pool, int representative) {
  const int64_t count = static_cast<int64_t>(arrays.position.size());
  if (count == 0) return;
  const int64_t s = arrays.begin;
  for (int64_t k = 0; k < count; ++k) {
    const uint8_t* codes = genome.sumSNP[s + k].unpackedGType;
    arrays.codes1[k] = codes[st1];
    arrays.codes2[k] = codes[st2];
  }
  const PairTotals totals =
      scanPair(arrays.span(), arrays.codes1.data(), arrays.codes2.data(), settings.threshold,
               settings.largeGap, arrays.startFlag.data(), arrays.endFlag.data(),
               arrays.covered.data());
  for (int64_t k = 0; k < count; ++k) {
    genome.sumSNP[s + k].startFlag = arrays.startFlag[k];
    genome.sumSNP[s + k].endFlag = arrays.endFlag[k];
  }
  if (st1 < st2) writePairRow(arrays, st1, st2, pool, representative, totals);
  // Counters are 16 bits: a subject takes part in at most n - 1 pairs of a
  // slot, and the run refuses pools that could push that past 65535.
  for (int64_t k = 0; k < count; ++k) {
    if (arrays.covered[k] == 0) continue;
    uint16_t* counters = genome.sumSNP[s + k].rchhCount;
    if (representative != 1) ++counters[st1];
    ++counters[st2];
  }
}

void conservedHaplotypeFor2(int st1, int st2, int pool, int representative, int chr) {
  requireSlot(chr);
  if (slotBegin(chr) == slotEnd(chr)) return;
  SlotArrays arrays;
  loadSlotArrays(chr, arrays);
  comparePair(arrays, st1, st2, pool, representative);
}
