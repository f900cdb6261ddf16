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
// never meet, as the top bit tells them apart.
#pragma once
#include <cstdint>
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
  // unchanged while the index is used.
  explicit RsIDIndex(const std::vector<SNPRecord*>& order);

  // An identifier's key, with the first slot it may be in requested from
  // memory, so that several lookups overlap their waits.
  struct Probe {
    uint64_t key = 0;
    bool exact = false;
  };
  Probe probe(std::string_view id) const;

  Run find(std::string_view id) const { return find(id, probe(id)); }
  Run find(std::string_view id, const Probe& probe) const;
  // The run of the record with table index t.
  const Run& runOf(int64_t t) const { return runOf_[static_cast<size_t>(t)]; }

  // The key of an identifier; true in `exact` when the key alone names it.
  static uint64_t keyOf(std::string_view id, bool& exact);

 private:
  struct Slot {
    uint64_t key = 0;
    Run run;
  };
  uint64_t startOf(uint64_t key) const;

  const std::vector<SNPRecord*>& order_;
  std::vector<Slot> slots_;  // open addressing, power-of-two size, linear probing
  uint64_t mask_ = 0;
  std::vector<Run> runOf_;   // by table index
};
