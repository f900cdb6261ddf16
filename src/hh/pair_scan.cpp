// Pairwise RCHH detection the straightforward way: one pair (or one subject
// and the representative HH) on one slot, its flags and cover counters, and
// its row in the slot's temporary pair file.
#include <cstdio>
#include <string>

#include "genome/model.h"
#include "hh/engine_internal.h"
#include "hh/hh.h"
#include "hh/pair_rows.h"

int isHetero(int64_t snp, int st1, int st2) {
  const uint8_t* codes = genome.sumSNP[snp].unpackedGType;
  return oppositeHomozygotes(codes[st1], codes[st2]) ? 1 : 0;
}

namespace {

void writePairRow(const SlotArrays& arrays, int st1, int st2, int pool, int representative,
                  const PairTotals& totals) {
  PairRowFields fields;
  fields.chr = arrays.chr;
  fields.st1 = st1;
  fields.st2 = st2;
  fields.representative = representative;
  // The look-ups stop the run in this order when one is missing.
  fields.nA = effectiveSNPs(pool, st1, arrays.chr);
  fields.nB = effectiveSNPs(pool, st2, arrays.chr);
  fields.name1 = subjectName(pool, st1);
  if (representative != 1) fields.name2 = subjectName(pool, st2);
  fields.slotLength = arrays.genetMap.back() - arrays.genetMap.front();
  std::string row;
  appendPairRow(row, fields, totals);
  // Write errors here surface when the run closes the file.
  std::fwrite(row.data(), 1, row.size(), pass.tempFile[static_cast<size_t>(arrays.chr)]);
}

}  // namespace

PairTotals scanPairOnRecords(SlotArrays& arrays, int st1, int st2) {
  const int64_t count = static_cast<int64_t>(arrays.position.size());
  const int64_t s = arrays.begin;
  for (int64_t k = 0; k < count; ++k) {
    const uint8_t* codes = genome.sumSNP[s + k].unpackedGType;
    arrays.codes1[k] = codes[st1];
    arrays.codes2[k] = codes[st2];
  }
  const PairTotals totals = scanPair(arrays.span(), arrays.codes1.data(), arrays.codes2.data(),
                                     settings.threshold, settings.largeGap, arrays.startFlag.data(),
                                     arrays.endFlag.data(), arrays.covered.data());
  for (int64_t k = 0; k < count; ++k) {
    genome.sumSNP[s + k].startFlag = arrays.startFlag[k];
    genome.sumSNP[s + k].endFlag = arrays.endFlag[k];
  }
  return totals;
}

void comparePair(SlotArrays& arrays, int st1, int st2, int pool, int representative) {
  const int64_t count = static_cast<int64_t>(arrays.position.size());
  if (count == 0) return;
  const PairTotals totals = scanPairOnRecords(arrays, st1, st2);
  if (st1 < st2) writePairRow(arrays, st1, st2, pool, representative, totals);
  // Counters are 16 bits: a subject takes part in at most n - 1 pairs of a
  // slot, and the run refuses pools that could push that past 65535.
  const int64_t s = arrays.begin;
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
