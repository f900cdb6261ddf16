// The slot in plain-array form, and the checked look-ups of the pass tables.
#include <cstdio>

#include "base/lines.h"
#include "base/output.h"
#include "genome/model.h"
#include "genome/run_listener.h"
#include "hh/engine_internal.h"

void loadSlotArrays(int chr, SlotArrays& arrays) {
  const int64_t s = slotBegin(chr), e = slotEnd(chr);
  const size_t count = static_cast<size_t>(e - s);
  arrays.chr = chr;
  arrays.begin = s;
  arrays.position.resize(count);
  arrays.genetMap.resize(count);
  for (size_t k = 0; k < count; ++k) {
    arrays.position[k] = genome.sumSNP[s + static_cast<int64_t>(k)].position;
    arrays.genetMap[k] = genome.sumSNP[s + static_cast<int64_t>(k)].genetMap;
  }
  arrays.codes1.resize(count);
  arrays.codes2.resize(count);
  arrays.covered.resize(count);
  arrays.startFlag.resize(count);
  arrays.endFlag.resize(count);
}

void requireSlot(int chr) {
  if (chr < 0 || chr >= autosomeSlots() ||
      genome.chrPosition.size() < static_cast<size_t>(chr) + 2 ||
      pass.tempFile.size() <= static_cast<size_t>(chr) ||
      pass.maxOverlapChr.size() <= static_cast<size_t>(chr)) {
    fatal("ERROR: Chromosome slot %d has no pass storage.\n", chr);
  }
}

namespace {

int64_t effectiveSNPIndex(int st, int chr) {
  return static_cast<int64_t>(st) * autosomeSlots() + chr;
}

}  // namespace

bool hasEffectiveSNPs(int pool, int st, int chr) {
  const int64_t index = effectiveSNPIndex(st, chr);
  return st >= 0 && index >= 0 && index < static_cast<int64_t>(genome.nEffectiveSNP[pool].size());
}

int64_t effectiveSNPs(int pool, int st, int chr) {
  if (!hasEffectiveSNPs(pool, st, chr)) {
    fatal("ERROR: No call count of subject %d on chromosome %d.\n", st + 1, chr + 1);
  }
  return genome.nEffectiveSNP[pool][static_cast<size_t>(effectiveSNPIndex(st, chr))];
}

bool hasSubjectName(int pool, int st) {
  return st >= 0 && static_cast<size_t>(st) < settings.stFile[pool].size();
}

const char* subjectName(int pool, int st) {
  if (!hasSubjectName(pool, st)) fatal("ERROR: No genotyping file for subject %d.\n", st + 1);
  return fileNameBody(settings.stFile[pool][static_cast<size_t>(st)].c_str());
}

void printProgress(int chr, double done, double step, long* nextTenth) {
  while (done / step > static_cast<double>(*nextTenth)) {
    std::fprintf(stderr, "\nchromosome %d: %ld/10 completed.", chr + 1, *nextTenth);
    if (runListener != nullptr) runListener->chromosomeProgress(chr + 1, *nextTenth);
    ++*nextTenth;
  }
}
