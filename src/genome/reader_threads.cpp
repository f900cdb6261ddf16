// The thread count of the genotyping reader.
#include "genome/reader_threads.h"

#include <algorithm>
#include <thread>

namespace {

unsigned requested = 0;  // 0: one per hardware thread

}  // namespace

void setGenotypeReaderThreads(unsigned threads) {
  requested = threads;
}

unsigned genotypeReaderThreads() {
  if (requested > 0) return requested;
  return std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
}
