// Hash index from rs identifiers to runs of pASNP.
#include "genome/rsid_index.h"

#include <new>

#include "base/output.h"

RsIDIndex::RsIDIndex(const std::vector<SNPRecord*>& order) : order_(order) {
  const size_t records = order.size();
  // Positions and table indexes are kept in 31 bits.
  if (records >= kHeadMask) fatal("ERROR: Failed to allocate memory\n");
  // At most three quarters full (linear probing stays short), at least 16.
  size_t size = 16;
  while (size < records + records / 3 + 1) size *= 2;
  try {
    slots_.resize(size);
    headOf_.resize(records);
    tableAt_.resize(records);
    lengthAt_.assign(records, 1);
    keyAt_.resize(records);
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Failed to allocate memory\n");
  }
  mask_ = size - 1;
  for (size_t p = 0; p < records;) {
    const std::string_view id = order[p]->rsID;
    size_t end = p + 1;
    while (end < records && std::string_view(order[end]->rsID) == id) ++end;
    const Probe key = keyOf(id);
    const uint32_t length = static_cast<uint32_t>(end - p);
    const uint32_t head = static_cast<uint32_t>(p) | (length > 1 ? kRunBit : 0);
    if (length > 1) hasRuns_ = true;
    lengthAt_[p] = length;
    for (size_t q = p; q < end; ++q) {
      const int64_t t = order[q]->tableIndex;
      if (t < 0 || static_cast<size_t>(t) >= records) {
        fatal("ERROR: SNP table index %ld out of range\n", t);
      }
      tableAt_[q] = static_cast<uint32_t>(t);
      headOf_[static_cast<size_t>(t)] = head;
      keyAt_[static_cast<size_t>(t)] = key.key;
    }
    uint64_t at = startOf(key.key);
    while (slots_[at].head != kEmpty) at = (at + 1) & mask_;
    slots_[at] = {key.key, tableAt_[p], head};
    p = end;
  }
}
