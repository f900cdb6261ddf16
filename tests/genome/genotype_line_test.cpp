// The reader's line scan against a byte-by-byte scan of the same bytes.
#include "genome/genotype_line.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// The scan written the plain way: every byte in turn up to the first LF or CR
// before `limit`.
LineScan byteByByte(const char* line, const char* limit) {
  LineScan s;
  for (const char* at = line; at < limit; ++at) {
    if (*at == '\n' || *at == '\r') {
      s.end = at;
      s.ended = true;
      return s;
    }
    if (*at == '\t') {
      if (s.tabs < kTabsKept) s.tab[s.tabs] = at;
      ++s.tabs;
    }
    if (*at == ' ' || *at == '\0') s.plain = false;
  }
  s.end = limit;
  return s;
}

TEST(GenotypeLine, ScanEqualsTheByteByByteScan) {
  std::mt19937 rng(41);
  const char alphabet[] = {'\t', '\n', '\r', ' ', '\0', 'A', 'B', 'r', 's', '7', '\x1f', '\xe9'};
  for (int round = 0; round < 20000; ++round) {
    // Mostly line bytes, with the kinds that matter at random places; the
    // bytes past the limit (the padding) hold anything, line ends included.
    const size_t size = rng() % 90;
    std::string bytes(size + kScanPadding, 'x');
    const unsigned rare = 2 + rng() % 30;
    for (char& c : bytes) {
      c = rng() % rare == 0 ? alphabet[rng() % sizeof alphabet] : "AB0123456789rs_"[rng() % 15];
    }
    const char* line = bytes.data();
    const size_t cut = rng() % 3 == 0 ? rng() % (size + 1) : size;
    const LineScan want = byteByByte(line, line + cut);
    const LineScan got = scanLine(line, line + cut);
    ASSERT_EQ(got.ended, want.ended) << round;
    ASSERT_EQ(got.end, want.end) << round;
    ASSERT_EQ(got.plain, want.plain) << round;
    ASSERT_EQ(got.tabs, want.tabs) << round;
    for (int32_t t = 0; t < std::min(want.tabs, kTabsKept); ++t) {
      ASSERT_EQ(got.tab[t], want.tab[t]) << round << " tab " << t;
    }
  }
}

}  // namespace
