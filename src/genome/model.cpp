// The process-wide tables and their small helpers.
#include "genome/model.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "base/output.h"
#include "base/parallel_for.h"
#include "genome/run_listener.h"

RunSettings settings;
GenomeData genome;
PassState pass;
RunListener* runListener = nullptr;

void resetModel() {
  for (FILE* f : pass.tempFile) {
    if (f != nullptr) std::fclose(f);
  }
  settings = RunSettings();
  genome = GenomeData();
  pass = PassState();
}

int32_t autosomeSlots() {
  return genome.lastChromosome > 1 ? genome.lastChromosome - 1 : 0;
}

void allocateGTypes() {
  const int64_t records = static_cast<int64_t>(genome.sumSNP.size());
  try {
    for (int p = 0; p < 2; ++p) {
      genome.gTypeBytes[p] = settings.noTgPool[p] / 4 + 1;
      genome.gTypeStore[p].assign(static_cast<size_t>(records * genome.gTypeBytes[p]), 0);
    }
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Failed to allocate memory\n");
  }
  for (int64_t k = 0; k < records; ++k) {
    for (int p = 0; p < 2; ++p) {
      genome.sumSNP[k].gType[p] = genome.gTypeStore[p].data() + k * genome.gTypeBytes[p];
    }
  }
}

void attachSlotScratch(int32_t k, int pool, int entries, int unpackCount) {
  const int64_t s = slotBegin(k), e = slotEnd(k);
  const size_t snps = static_cast<size_t>(e - s);
  const size_t width = static_cast<size_t>(entries);
  try {
    pass.rchhStore.assign(snps * width, 0);
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Failed to allocate memory\n");
  }
  try {
    pass.unpackedStore.assign(snps * width, 0);
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Cannot allocate memory.\n");
  }
  // The codes of four subjects from each packed byte at once; SNPs in
  // chunks on the threads, each SNP's codes its own.
  static const std::array<std::array<uint8_t, 4>, 256> kCodesOfByte = [] {
    std::array<std::array<uint8_t, 4>, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
      for (int m = 0; m < 4; ++m) table[byte][m] = static_cast<uint8_t>((byte >> (2 * m)) & 3);
    }
    return table;
  }();
  const int64_t wholeBytes = unpackCount / 4;
  constexpr int64_t kChunk = 4096;
  forEachItemOnThreads(
      (e - s + kChunk - 1) / kChunk, threadsFor(0),
      [&](int64_t chunk, int) {
        const int64_t from = s + chunk * kChunk, to = std::min(e, from + kChunk);
        for (int64_t i = from; i < to; ++i) {
          SNPRecord& r = genome.sumSNP[i];
          r.rchhCount = pass.rchhStore.data() + (i - s) * width;
          r.unpackedGType = pass.unpackedStore.data() + (i - s) * width;
          const uint8_t* packed = r.gType[pool];
          for (int64_t b = 0; b < wholeBytes; ++b)
            std::memcpy(r.unpackedGType + 4 * b, kCodesOfByte[packed[b]].data(), 4);
          for (int m = static_cast<int>(4 * wholeBytes); m < unpackCount; ++m) {
            r.unpackedGType[m] = static_cast<uint8_t>(getGType(packed, static_cast<uint64_t>(m)));
          }
        }
      },
      [] {});
}

void releaseSlotScratch(int32_t k) {
  for (int64_t i = slotBegin(k); i < slotEnd(k); ++i) {
    genome.sumSNP[i].rchhCount = nullptr;
    genome.sumSNP[i].unpackedGType = nullptr;
  }
  std::vector<uint16_t>().swap(pass.rchhStore);
  std::vector<uint8_t>().swap(pass.unpackedStore);
}
