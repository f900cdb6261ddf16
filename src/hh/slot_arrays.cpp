// The slot in plain-array form, and the checked look-ups of the pass tables.
#include <cstdio>

#include "driver/lines/lines.h"
#include "driver/lines/output.h"
#include "genome/model.h"
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

int64_t effectiveSNPs(int pool, int st, int chr) {
  const int64_t slots = autosomeSlots();
  const int64_t index = static_cast<int64_t>(st) * slots + chr;
  const std::vector<int64_t>& matrix = genome.nEffectiveSNP[pool];
  if (st < 0 || index < 0 || index >= static_cast<int64_t>(matrix.size())) {
    fatal("ERROR: No call count of subject %d on chromosome %d.\n", st + 1, chr + 1);
  }
  return matrix[static_cast<size_t>(index)];
}

const char* subjectName(int pool, int st) {
  const std::vector<std::string>& files = settings.stFile[pool];
  if (st < 0 || static_cast<size_t>(st) >= files.size()) {
    fatal("ERROR: No genotyping file for subject %d.\n", st + 1);
  }
  return fileNameBody(files[static_cast<size_t>(st)].c_str());
}

void printProgress(int chr, double done, double step, long* nextTenth) {
  while (done / step > static_cast<double>(*nextTenth)) {
    std::fprintf(stderr, "\nchromosome %d: %ld/10 completed.", chr + 1, *nextTenth);
    ++*nextTenth;
  }
}
