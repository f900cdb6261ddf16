// Hash index from rs identifiers to runs of pASNP.
#include "genome/rsid_index.h"

#include <functional>
#include <new>

#include "driver/lines/output.h"

namespace {

constexpr uint64_t kNumberTag = uint64_t{1} << 63;
constexpr size_t kMaxDigits = 18;  // below 10^18, so the number fits under the tag

}  // namespace

uint64_t RsIDIndex::keyOf(std::string_view id, bool& exact) {
  const size_t digits = id.size() - 2;
  if (id.size() >= 3 && digits <= kMaxDigits && id[0] == 'r' && id[1] == 's' && id[2] != '0') {
    uint64_t number = 0;
    size_t i = 2;
    for (; i < id.size(); ++i) {
      const char c = id[i];
      if (c < '0' || c > '9') break;
      number = number * 10 + static_cast<uint64_t>(c - '0');
    }
    if (i == id.size()) {
      exact = true;
      return number | kNumberTag;
    }
  }
  exact = false;
  return std::hash<std::string_view>{}(id) & ~kNumberTag;
}

uint64_t RsIDIndex::startOf(uint64_t key) const {
  // Numbers are dense and hashes may be weak in their low bits: mix both.
  const uint64_t mixed = key * 0x9E3779B97F4A7C15ull;
  return (mixed ^ (mixed >> 29)) & mask_;
}

RsIDIndex::RsIDIndex(const std::vector<SNPRecord*>& order) : order_(order) {
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
    const Run run{static_cast<int64_t>(p), static_cast<int64_t>(end - p), order[p]->tableIndex};
    for (size_t q = p; q < end; ++q) {
      const int64_t t = order[q]->tableIndex;
      if (t < 0 || static_cast<size_t>(t) >= order.size()) fatal("ERROR: SNP table index %ld out of range\n", t);
      runOf_[static_cast<size_t>(t)] = run;
    }
    bool exact = false;
    const uint64_t key = keyOf(id, exact);
    uint64_t at = startOf(key);
    while (slots_[at].run.head >= 0) at = (at + 1) & mask_;
    slots_[at] = {key, run};
    p = end;
  }
}

RsIDIndex::Probe RsIDIndex::probe(std::string_view id) const {
  Probe p;
  p.key = keyOf(id, p.exact);
  __builtin_prefetch(&slots_[startOf(p.key)]);
  return p;
}

RsIDIndex::Run RsIDIndex::find(std::string_view id, const Probe& probe) const {
  for (uint64_t at = startOf(probe.key);; at = (at + 1) & mask_) {
    const Slot& slot = slots_[at];
    if (slot.run.head < 0) return {};
    if (slot.key == probe.key &&
        (probe.exact || std::string_view(order_[static_cast<size_t>(slot.run.head)]->rsID) == id)) {
      return slot.run;
    }
  }
}
