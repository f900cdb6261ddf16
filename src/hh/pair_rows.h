// The row a compared pair leaves in the slot's temporary pair file, formatted
// into memory so that any thread can build it and rows are written in order.
#pragma once
#include <cstdint>
#include <string>

#include "hh/kernel.h"

// Everything a row shows besides the pair's totals.
struct PairRowFields {
  int chr = 0;             // slot, 0-based
  int st1 = 0, st2 = 0;    // subject indexes, 0-based
  int representative = 0;  // 1: st2 is the representative HH
  int64_t nA = 0, nB = 0;  // call counts of st1 and st2 on the slot
  const char* name1 = "";  // file-name body of st1's genotyping file
  const char* name2 = "";  // of st2's; unused for the representative
  double slotLength = 0;   // cM, last minus first map position of the slot
};

// Appends the ten tab-separated fields and the line end, byte for byte what
// the three fprintf calls of the format produce.
void appendPairRow(std::string& out, const PairRowFields& fields, const PairTotals& totals);
