// Index from an rs identifier to its records in pASNP. The records of one
// identifier are a run of pASNP (table order among equals); the index gives a
// line of a genotyping file that run in constant time, by hash or, for files
// listed in table order, from the record it names. With the run known, the
// i-th line of an identifier can meet the i-th record of the run, exactly as a
// sorted merge of the two sides pairs them.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "genome/model.h"

class RsIDIndex {
 public:
  struct Run {
    int64_t head = -1;            // pASNP position of the run's first record; -1: no such identifier
    int64_t length = 0;           // records sharing the identifier
    SNPRecord* first = nullptr;   // the record at pASNP[head]
  };

  // Indexes `order` (pASNP over genome.sumSNP, tableIndex set), which must stay
  // unchanged while the index is used.
  explicit RsIDIndex(const std::vector<SNPRecord*>& order);

  Run find(std::string_view id) const;
  // The run of the record with table index t.
  const Run& runOf(int64_t t) const { return runOf_[static_cast<size_t>(t)]; }

 private:
  struct Slot {
    uint64_t hash = 0;
    Run run;
  };
  std::vector<Slot> slots_;  // open addressing, power-of-two size, linear probing
  uint64_t mask_ = 0;
  std::vector<Run> runOf_;   // by table index
};
