// Hash index from rs identifiers to runs of pASNP.
#include "genome/rsid_index.h"

#include <functional>
#include <new>

#include "driver/lines/output.h"

namespace {

uint64_t hashOf(std::string_view id) { return std::hash<std::string_view>{}(id); }

}  // namespace

RsIDIndex::RsIDIndex(const std::vector<SNPRecord*>& order) {
  // At most half full, so probes stay short.
  size_t size = 16;
  while (size < 2 * order.size()) size *= 2;
  try {
    slots_.resize(size);
    runOf_.resize(order.size());
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Failed to allocate memory\n");
  }
  mask_ = size - 1;
  for (size_t p = 0; p < order.size();) {
    const std::string_view id = order[p]->rsID;
    size_t end = p + 1;
    while (end < order.size() && std::string_view(order[end]->rsID) == id) ++end;
    const Run run{static_cast<int64_t>(p), static_cast<int64_t>(end - p), order[p]};
    for (size_t q = p; q < end; ++q) {
      const int64_t t = order[q]->tableIndex;
      if (t < 0 || static_cast<size_t>(t) >= order.size()) fatal("ERROR: SNP table index %ld out of range\n", t);
      runOf_[static_cast<size_t>(t)] = run;
    }
    const uint64_t h = hashOf(id);
    uint64_t at = h & mask_;
    while (slots_[at].run.head >= 0) at = (at + 1) & mask_;
    slots_[at] = {h, run};
    p = end;
  }
}

RsIDIndex::Run RsIDIndex::find(std::string_view id) const {
  const uint64_t h = hashOf(id);
  for (uint64_t at = h & mask_;; at = (at + 1) & mask_) {
    const Slot& slot = slots_[at];
    if (slot.run.head < 0) return {};
    if (slot.hash == h && std::string_view(slot.run.first->rsID) == id) return slot.run;
  }
}
