// Index from an rs identifier to its records in pASNP. The records of one
// identifier are a run of pASNP (table order among equals); the index gives a
// line of a genotyping file that run in constant time, by hash or, for files
// listed in table order, from the record it names. With the run known, the
// i-th line of an identifier can meet the i-th record of the run, exactly as a
// sorted merge of the two sides pairs them.
//
// A slot keeps a key beside its run, so that a probe reads the slot alone: an
// identifier "rs" followed by 1 to 18 digits without a leading zero is keyed by
// its number, which names it exactly; any other identifier by its hash, with
// the record's text compared only when the hashes agree. The two kinds of key
// never meet, as the top bit tells them apart. A slot takes 16 bytes, four to
// a cache line, so that the index of a genome-wide table stays small.
#pragma once
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "genome/model.h"

class RsIDIndex {
 public:
  struct Run {
    int64_t head = -1;        // pASNP position of the run's first record; -1: no such identifier
    int64_t length = 0;       // records sharing the identifier
    int64_t firstIndex = -1;  // table index of the record at pASNP[head]
  };

  // Indexes `order` (pASNP over genome.sumSNP, tableIndex set), which must stay
  // unchanged while the index is used. Ends the run when memory runs out.
  explicit RsIDIndex(const std::vector<SNPRecord*>& order);

  // An identifier's key; `exact` when the key alone names it.
  struct Probe {
    uint64_t key = 0;
    bool exact = false;
  };
  static Probe keyOf(std::string_view id) {
    Probe p;
    const size_t size = id.size();
    if (size >= 3 && size <= 2 + kMaxDigits && id[0] == 'r' && id[1] == 's' && id[2] != '0') {
      uint64_t number = 0;
      size_t i = 2;
      for (; i < size; ++i) {
        const unsigned digit = static_cast<unsigned char>(id[i]) - static_cast<unsigned>('0');
        if (digit > 9) break;
        number = number * 10 + digit;
      }
      if (i == size) {
        p.key = number | kNumberTag;
        p.exact = true;
        return p;
      }
    }
    p.key = std::hash<std::string_view>{}(id) & ~kNumberTag;
    return p;
  }
  static uint64_t keyOf(std::string_view id, bool& exact) {
    const Probe p = keyOf(id);
    exact = p.exact;
    return p.key;
  }

  // keyOf with the first slot the identifier may be in requested from
  // memory, so that several lookups overlap their waits.
  Probe probe(std::string_view id) const {
    const Probe p = keyOf(id);
    prefetch(p);
    return p;
  }
  void prefetch(const Probe& p) const { __builtin_prefetch(&slots_[startOf(p.key)]); }

  Run find(std::string_view id) const { return find(id, keyOf(id)); }
  // `id` is read only when the key is a hash.
  Run find(std::string_view id, const Probe& probe) const {
    for (uint64_t at = startOf(probe.key);; at = (at + 1) & mask_) {
      const Slot& slot = slots_[at];
      if (slot.head == kEmpty) return {};
      if (slot.key == probe.key && (probe.exact || textAt(slot.head & kHeadMask) == id)) {
        return runAt(slot.head, slot.firstIndex);
      }
    }
  }

  // The run of the record with table index t.
  Run runOf(int64_t t) const {
    const uint32_t head = headOf_[static_cast<size_t>(t)];
    return runAt(head, tableAt_[head & kHeadMask]);
  }
  // The table index of the record at pASNP position p.
  int64_t tableIndexAt(int64_t p) const { return tableAt_[static_cast<size_t>(p)]; }
  // True when the record with table index t has the identifier of `probe`
  // (whose text is `id`).
  bool names(int64_t t, std::string_view id, const Probe& probe) const {
    if (keyAt_[static_cast<size_t>(t)] != probe.key) return false;
    return probe.exact ||
           std::string_view(order_[headOf_[static_cast<size_t>(t)] & kHeadMask]->rsID) == id;
  }
  // Whether some identifier is on more than one record.
  bool hasRuns() const { return hasRuns_; }

 private:
  static constexpr uint64_t kNumberTag = uint64_t{1} << 63;
  static constexpr size_t kMaxDigits = 18;  // below 10^18, so the number fits under the tag
  static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
  static constexpr uint32_t kRunBit = 0x80000000u;  // in a head: the run has several records
  static constexpr uint32_t kHeadMask = 0x7FFFFFFFu;

  struct Slot {
    uint64_t key = 0;
    uint32_t firstIndex = 0;  // table index of the run's first record
    uint32_t head = kEmpty;   // pASNP position of the run's head, with kRunBit
  };

  uint64_t startOf(uint64_t key) const {
    // Numbers are dense and hashes may be weak in their low bits: mix both.
    const uint64_t mixed = key * 0x9E3779B97F4A7C15ull;
    return (mixed ^ (mixed >> 29)) & mask_;
  }
  Run runAt(uint32_t head, uint32_t firstIndex) const {
    const uint32_t p = head & kHeadMask;
    return {p, (head & kRunBit) != 0 ? lengthAt_[p] : 1, firstIndex};
  }
  std::string_view textAt(uint32_t p) const { return order_[p]->rsID; }

  const std::vector<SNPRecord*>& order_;
  std::vector<Slot> slots_;  // open addressing, power-of-two size, linear probing
  uint64_t mask_ = 0;
  std::vector<uint32_t> headOf_;    // by table index: head of the record's run, with kRunBit
  std::vector<uint32_t> tableAt_;   // by pASNP position: table index
  std::vector<uint32_t> lengthAt_;  // by pASNP position of a run head: records of the run
  std::vector<uint64_t> keyAt_;     // by table index: key of the record's identifier
  bool hasRuns_ = false;
};
