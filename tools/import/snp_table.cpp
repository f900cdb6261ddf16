// Collecting, ordering and cleaning the imported SNPs.
#include "snp_table.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

namespace {

bool needsGeneratedId(const std::string& id) {
  if (id.empty() || id == ".") return true;
  return std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool samePlace(const SnpRow& a, const SnpRow& b) {
  return a.chromosome == b.chromosome && a.position == b.position;
}

// The identifiers kept so far, by their std::hash, in an open-addressed
// table at most half full: a look-up costs one cache line, which can be
// asked of memory a few rows before it is needed.
class IdSet {
 public:
  explicit IdSet(size_t most) {
    size_t size = 16;
    while (size < 2 * most) size *= 2;
    slots_.assign(size, Slot{});
    mask_ = size - 1;
  }

  void prefetch(const std::string& id) const { __builtin_prefetch(&slots_[hashOf(id) & mask_]); }

  // Adds `id`, which must stay in place while the set is used; false when
  // an equal identifier is held already.
  bool insert(const std::string& id) {
    const size_t hash = hashOf(id);
    for (size_t at = hash & mask_;; at = (at + 1) & mask_) {
      Slot& slot = slots_[at];
      if (slot.id == nullptr) {
        slot = Slot{hash, &id};
        return true;
      }
      if (slot.hash == hash && *slot.id == id) return false;
    }
  }

 private:
  struct Slot {
    size_t hash = 0;
    const std::string* id = nullptr;  // nullptr: empty
  };
  static size_t hashOf(const std::string& id) { return std::hash<std::string>{}(id); }

  std::vector<Slot> slots_;
  size_t mask_ = 0;
};

// Rows between a look-up asked of memory and its use.
constexpr size_t kIdPrefetch = 8;

// Set bits of a word whose bits are all at even places, without a
// popcount instruction the build may not assume.
int64_t evenBits(uint64_t x) {
  x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<int64_t>((x * 0x0101010101010101u) >> 56);
}

}  // namespace

SnpTable::SnpTable(size_t sampleCount) : rowBytes_((sampleCount + 3) / 4) {}

void SnpTable::reserve(size_t rows) {
  rows_.reserve(rows);
  packed_.reserve(rows * rowBytes_);
}

bool SnpTable::add(SnpRow row, const uint8_t* packed) {
  // Counted 32 calls at a time: with lo and hi the low and high bits of each
  // call, AA is lo alone, AB both, so allele A counts 2 lo - (lo and hi).
  constexpr uint64_t kLow = 0x5555555555555555u;
  int64_t lows = 0;
  int64_t hets = 0;
  int64_t called = 0;
  const auto count = [&](uint64_t word) {
    const uint64_t lo = word & kLow;
    const uint64_t hi = (word >> 1) & kLow;
    lows += evenBits(lo);
    hets += evenBits(lo & hi);
    called += evenBits(lo | hi);
  };
  size_t b = 0;
  for (; b + 8 <= rowBytes_; b += 8) {
    uint64_t word;
    std::memcpy(&word, packed + b, 8);
    count(word);
  }
  if (b < rowBytes_) {
    uint64_t word = 0;
    std::memcpy(&word, packed + b, rowBytes_ - b);
    count(word);
  }
  if (called == 0) return false;
  const int64_t alleleA = 2 * lows - hets;
  row.freqA = static_cast<double>(alleleA) / static_cast<double>(2 * called);
  packed_.insert(packed_.end(), packed, packed + rowBytes_);
  rows_.push_back(std::move(row));
  return true;
}

void SnpTable::finalize(SkipTally& tally) {
  std::vector<size_t> sorted(rows_.size());
  for (size_t i = 0; i < sorted.size(); ++i) sorted[i] = i;
  const auto before = [this](size_t a, size_t b) {
    const SnpRow& x = rows_[a];
    const SnpRow& y = rows_[b];
    if (x.chromosome.sortKey() != y.chromosome.sortKey()) {
      return x.chromosome.sortKey() < y.chromosome.sortKey();
    }
    if (x.position != y.position) return x.position < y.position;
    return x.inputIndex < y.inputIndex;
  };
  // Inputs mostly come in genome order already.
  if (!std::is_sorted(sorted.begin(), sorted.end(), before)) {
    std::sort(sorted.begin(), sorted.end(), before);
  }

  order_.clear();
  order_.reserve(sorted.size());
  IdSet ids(sorted.size());  // the rows' identifiers, which stay in place from here on
  double highestCM = 0;      // on the chromosome of the last kept SNP
  for (size_t k = 0; k < sorted.size(); ++k) {
    if (k + kIdPrefetch < sorted.size()) ids.prefetch(rows_[sorted[k + kIdPrefetch]].id);
    SnpRow& row = rows_[sorted[k]];
    bool repeated = (k > 0 && samePlace(rows_[sorted[k - 1]], row)) ||
                    (k + 1 < sorted.size() && samePlace(rows_[sorted[k + 1]], row));
    if (repeated) {
      tally.add(SkipReason::duplicatePosition);
      continue;
    }
    bool newChromosome = order_.empty() || !(rows_[order_.back()].chromosome == row.chromosome);
    if (newChromosome) highestCM = 0;
    if (row.cM < highestCM) {
      tally.add(SkipReason::mapDecreasing);
      continue;
    }
    if (needsGeneratedId(row.id)) {
      row.id = "chr" + chromosomeLabel(row.chromosome) + ":" + std::to_string(row.position);
      ++generatedIds_;
    }
    if (!ids.insert(row.id)) {
      tally.add(SkipReason::duplicateId);
      continue;
    }
    highestCM = row.cM;
    if (row.cM < kSmallestCM) {
      row.cM = kSmallestCM;
      ++raisedMaps_;
    }
    order_.push_back(sorted[k]);
  }
}
