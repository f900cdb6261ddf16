// Byte order of rs identifiers and the sorted view pASNP of the SNP table.
#include "genome/rsid_order.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/output.h"
#include "genome/genome.h"

int compareRsID(const std::string& a, const std::string& b) {
  const size_t common = std::min(a.size(), b.size());
  const int c = common > 0 ? std::memcmp(a.data(), b.data(), common) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int compareAnnotRsID(const SNPRecord* a, const SNPRecord* b) {
  return compareRsID(a->rsID, b->rsID);
}

namespace {

// The first eight bytes of an identifier as a big-endian number, zero-padded:
// comparing keys gives the byte order of the prefixes, so most comparisons of
// the sort never leave this array for the records themselves. Identifiers hold
// no NUL byte, so equal keys mean equal prefixes of equal or eight-plus length.
uint64_t prefixKey(const std::string& id) {
  uint64_t key = 0;
  for (size_t i = 0; i < 8; ++i) {
    key <<= 8;
    if (i < id.size()) key |= static_cast<unsigned char>(id[i]);
  }
  return key;
}

struct SortEntry {
  uint64_t key;
  int64_t index;  // table index of the record
};

}  // namespace

void buildRsIDOrder() {
  std::vector<SNPRecord>& table = genome.sumSNP;
  const int64_t count = genome.totalAnnotationDataCount;
  std::vector<SortEntry> entries;
  try {
    entries.resize(static_cast<size_t>(count));
    genome.pASNP.assign(static_cast<size_t>(count), nullptr);
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Failed to allocate memory\n");
  }
  for (int64_t i = 0; i < count; ++i) entries[i] = {prefixKey(table[i].rsID), i};
  // The index as last key makes the order total, so ties keep table order.
  const SNPRecord* records = table.data();
  std::sort(entries.begin(), entries.end(), [records](const SortEntry& a, const SortEntry& b) {
    if (a.key != b.key) return a.key < b.key;
    const int c = compareAnnotRsID(&records[a.index], &records[b.index]);
    if (c != 0) return c < 0;
    return a.index < b.index;
  });
  for (int64_t i = 0; i < count; ++i) genome.pASNP[i] = &table[entries[i].index];
}
