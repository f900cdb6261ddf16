// One line of a genotyping file, cut into the fields the reader needs in a
// single scan of its bytes, without copying or terminating it.
//
// The scan looks at 16 bytes at a time for the bytes that can matter to a
// line of these files: tabs (field ends), LF and CR (line ends), blanks
// (trimmed from fields) and NUL (the end of a line's text). A line with no
// blank and no NUL, the usual case, is cut at its tabs alone; any other line
// is cut by the general rules of MyFgets and split: the text ends at its
// first NUL, fields end at tabs, at most kMaxFields fields (the last keeps the
// rest), blanks trimmed at both ends of every field.
#pragma once
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/lines.h"
#include "genome/model.h"

// Readable bytes every caller keeps after the end of the bytes it scans: a
// scan reads whole 16-byte groups and never uses what lies past the end.
constexpr size_t kScanPadding = 64;

// Tab positions kept per line: the reader's columns are 1 to 5.
constexpr int32_t kTabsKept = 5;

struct LineScan {
  const char* end = nullptr;        // the line-end byte (LF or CR), or where the scan stopped
  bool ended = false;               // a line end was found before the scan's limit
  bool plain = true;                // no blank and no NUL in the line
  int32_t tabs = 0;                 // tabs in the line
  const char* tab[kTabsKept] = {};  // the first kTabsKept of them
};

namespace genotype_line_detail {

// Bit i set where byte i of the 16 at p is at most 0x20. Bits may also be set
// for other bytes (the portable form); the caller looks at each byte anyway.
inline uint32_t lowBytes(const char* p) {
#if defined(__SSE2__)
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(x, _mm_set1_epi8(0x20)), x);
  return static_cast<uint32_t>(_mm_movemask_epi8(low));
#else
  uint32_t bits = 0;
  for (int half = 0; half < 2; ++half) {
    uint64_t w;
    std::memcpy(&w, p + 8 * half, 8);
    // Exact for the lowest flagged byte; a byte above a flagged one may be
    // flagged too, which costs a look and nothing else.
    uint64_t m = (w - 0x2121212121212121ull) & ~w & 0x8080808080808080ull;
    for (int i = 0; i < 8; ++i) {
      if ((m >> (8 * i + 7)) & 1) bits |= 1u << (8 * half + i);
    }
  }
  return bits;
#endif
}

}  // namespace genotype_line_detail

// Scans the line starting at `line` up to `limit` (the end of the bytes at
// hand, or line + kLineLimit when more are at hand); kScanPadding bytes after
// `limit` must be readable. `ended` is false when no line end lies before
// `limit`.
inline LineScan scanLine(const char* line, const char* limit) {
  LineScan s;
  for (const char* group = line; group < limit; group += 16) {
    uint32_t bits = genotype_line_detail::lowBytes(group);
    const size_t left = static_cast<size_t>(limit - group);
    if (left < 16) bits &= (1u << left) - 1;
    while (bits != 0) {
      const char* at = group + __builtin_ctz(bits);
      bits &= bits - 1;
      switch (*at) {
        case '\t':
          if (s.tabs < kTabsKept) s.tab[s.tabs] = at;
          ++s.tabs;
          break;
        case '\n':
        case '\r':
          s.end = at;
          s.ended = true;
          return s;
        case ' ':
        case '\0':
          s.plain = false;
          break;
        default:
          break;
      }
    }
  }
  s.end = limit;
  return s;
}

// A field of a line: [begin, end).
struct FieldText {
  const char* begin = nullptr;
  const char* end = nullptr;
  size_t size() const { return static_cast<size_t>(end - begin); }
};

// Field `column` (1-based, at most kMaxFields) of the line [line, end) as
// MyFgets and split give it. False when the line has fewer fields.
inline bool generalField(const char* line, const char* end, int32_t column, FieldText& field) {
  const void* nul = std::memchr(line, '\0', static_cast<size_t>(end - line));
  const char* textEnd = nul != nullptr ? static_cast<const char*>(nul) : end;
  const char* start = line;
  for (int32_t k = 1; k < column; ++k) {
    const void* tab = std::memchr(start, '\t', static_cast<size_t>(textEnd - start));
    if (tab == nullptr) return false;
    start = static_cast<const char*>(tab) + 1;
  }
  const void* tab = column < kMaxFields
                        ? std::memchr(start, '\t', static_cast<size_t>(textEnd - start))
                        : nullptr;
  const char* stop = tab != nullptr ? static_cast<const char*>(tab) : textEnd;
  while (start < stop && *start == ' ') ++start;
  while (stop > start && stop[-1] == ' ') --stop;
  field = {start, stop};
  return true;
}

// Field `column` (1 to kTabsKept) of a scanned line, by the tabs alone when
// the line is plain. False when the line has fewer fields.
inline bool fieldOf(const char* line, const LineScan& s, int32_t column, FieldText& field) {
  if (!s.plain) return generalField(line, s.end, column, field);
  if (s.tabs < column - 1) return false;
  field.begin = column == 1 ? line : s.tab[column - 2] + 1;
  field.end = s.tabs >= column ? s.tab[column - 1] : s.end;
  return true;
}

// The call of a field by its first two characters: AA, BB, AB, or
// GTYPE_NONE for anything else (the code an unrecognised call is stored as).
// Without a branch on the characters: calls come in random order, so a
// branch on them would miss half the time.
inline uint8_t storedCallOf(const FieldText& call) {
  if (call.size() < 2) return GTYPE_NONE;
  const char a = call.begin[0];
  const char b = call.begin[1];
  const unsigned key = static_cast<unsigned>(a == 'A') | static_cast<unsigned>(a == 'B') << 1 |
                       static_cast<unsigned>(b == 'A') << 2 | static_cast<unsigned>(b == 'B') << 3;
  // key: 1 + 4 for AA, 2 + 8 for BB, 1 + 8 for AB
  static constexpr uint8_t kCodes[16] = {0, 0,        0,        0, 0, GTYPE_AA, 0, 0,
                                         0, GTYPE_AB, GTYPE_BB, 0, 0, 0,        0, 0};
  return kCodes[key];
}
