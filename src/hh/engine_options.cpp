// The engine's run-time choices.
#include "hh/engine_options.h"

#include <thread>

namespace {

int requestedThreads = 0;  // 0: one per hardware thread
bool useReference = false;

}  // namespace

void setEngineThreads(int threads) {
  requestedThreads = threads > 0 ? threads : 0;
}

int engineThreads() {
  if (requestedThreads > 0) return requestedThreads;
  const unsigned hardware = std::thread::hardware_concurrency();  // 0 when unknown
  return hardware > 0 ? static_cast<int>(hardware) : 1;
}

void setReferenceEngine(bool on) {
  useReference = on;
}

bool referenceEngine() {
  return useReference;
}

namespace {

long failurePair = -1;

}  // namespace

void setEngineFailureAtPair(long pair) {
  failurePair = pair;
}

long engineFailureAtPair() {
  return failurePair;
}
