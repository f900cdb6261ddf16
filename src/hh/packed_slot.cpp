// Building the bit-parallel form of a slot.
#include "hh/packed_slot.h"

#include <algorithm>
#include <cmath>

#include "genome/model.h"

namespace {

void setBit(std::vector<uint64_t>& bits, int64_t i) {
  bits[static_cast<size_t>(i >> 6)] |= uint64_t{1} << (i & 63);
}

// Skipping stretches relies on a stretch growing longer as its end moves right
// and shorter as its start does; a map that steps back or holds a non-finite
// value breaks that.
bool mapAllowsSkipping(const double* map, int64_t count) {
  for (int64_t i = 0; i < count; ++i) {
    if (!std::isfinite(map[i])) return false;
    if (i > 0 && map[i] < map[i - 1]) return false;
  }
  return true;
}

}  // namespace

void packSlotMap(const int64_t* position, const double* genetMap, int64_t count, double cutoff,
                 int64_t largeGap, PackedSlot& slot) {
  slot.count = count;
  slot.words = (count + 63) / 64;
  slot.position = position;
  slot.genetMap = genetMap;
  slot.forced.assign(static_cast<size_t>(slot.words), 0);
  slot.gapAfter.assign(static_cast<size_t>(slot.words), 0);
  for (int64_t i = 0; i + 1 < count; ++i) {
    // The same subtraction and comparison as the straightforward scan.
    if (position[i + 1] - position[i] >= largeGap) {
      setBit(slot.gapAfter, i);
      if (i > 0) setBit(slot.forced, i);
    }
  }
  if (count > 1) setBit(slot.forced, count - 1);

  slot.reach.clear();
  if (count > INT32_MAX || !mapAllowsSkipping(genetMap, count)) return;
  slot.reach.resize(static_cast<size_t>(count));
  // With a non-decreasing map the first qualifying end never moves left as the
  // start moves right, so one forward pointer serves every start.
  int64_t j = 0;
  for (int64_t i = 0; i < count; ++i) {
    if (j < i) j = i;
    while (j < count && !(genetMap[j] - genetMap[i] >= cutoff)) ++j;
    slot.reach[static_cast<size_t>(i)] = static_cast<int32_t>(j);
  }
}

void packSlotCalls(const uint8_t* const* codeRows, int subjects, PackedSlot& slot) {
  const size_t width = static_cast<size_t>(subjects);
  slot.subjects = subjects;
  slot.homozygotes.assign(2 * static_cast<size_t>(slot.words) * width, 0);
  // One word of every subject at a time: the 64 code rows of the word are
  // read in order and the subjects' bits gathered in small accumulators.
  std::vector<uint64_t> aaBits(width), bbBits(width);
  for (int64_t w = 0; w < slot.words; ++w) {
    std::fill(aaBits.begin(), aaBits.end(), 0);
    std::fill(bbBits.begin(), bbBits.end(), 0);
    const int64_t first = w * 64;
    const int64_t last = first + 64 < slot.count ? first + 64 : slot.count;
    for (int64_t k = first; k < last; ++k) {
      const uint8_t* row = codeRows[k];
      const int shift = static_cast<int>(k - first);
      for (size_t st = 0; st < width; ++st) {
        aaBits[st] |= static_cast<uint64_t>(row[st] == GTYPE_AA) << shift;
        bbBits[st] |= static_cast<uint64_t>(row[st] == GTYPE_BB) << shift;
      }
    }
    for (size_t st = 0; st < width; ++st) {
      uint64_t* words = slot.homozygotes.data() + 2 * static_cast<size_t>(slot.words) * st;
      words[2 * w] = aaBits[st];
      words[2 * w + 1] = bbBits[st];
    }
  }
}
