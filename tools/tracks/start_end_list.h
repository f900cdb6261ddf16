// velmora's start/end lists read back: every segment of SNPs a list names, by
// its start line and its end line. Three list shapes exist:
//   subjects lists   (HH_<W>_FoldOverlaps_*, HH_RCHHsSharedBy*):
//                    chr, bp, cM, rsID, start|end, "Subjects", " name name..."
//   level lists      (HH_NoStSharingRCHHs*): optional "No_of_samples N" title,
//                    then chr, bp, cM, rsID, fold overlap, start|end
//   p-value lists    (HH_P_Value_*): chr, bp, cM, rsID, -log10 p, patient count,
//                    control count, start|end
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "subject_names.h"

enum class ListKind { subjects, levels, pValues };

struct Segment {
  int chromosome;                     // velmora's chromosome number
  int64_t first;                      // bp of the start SNP, 1-based
  int64_t last;                       // bp of the end SNP, 1-based, inclusive
  std::vector<std::string> subjects;  // subjects lists: names at the start SNP
  double value = 0;                   // levels: fold overlap; p-values: -log10 p
  int patients = 0;                   // p-values: counts at the start SNP
  int controls = 0;
};

struct StartEndList {
  ListKind kind = ListKind::levels;
  std::optional<int> sampleCount;  // from a level list's title
  std::vector<Segment> segments;
};

// What velmora can hold and draw: chromosome numbers up to one above its
// largest autosome number, positions far beyond any chromosome (bp).
constexpr int kLargestListChromosome = 10001;
constexpr int64_t kLargestListPosition = 4000000000;

// Longest list line read: a subjects line names every sharing subject of a
// pool (up to 65535 file names).
constexpr int32_t kListLineLimit = 1 << 24;

// Reads the list at `path` (a regular file; a FIFO or device is refused
// without blocking). Lines of `lineLimit` or more characters are refused.
// With `known` (not owned; may be null) a subjects list's names are split by
// the known names, and a field they do not make up is a fault; without it,
// at blanks. Throws std::runtime_error naming the file and line of the first
// fault.
StartEndList readStartEndList(const std::string& path, int32_t lineLimit = kListLineLimit,
                              const SubjectNames* known = nullptr);

// A value as velmora's lists and summaries print it ("%f") and read back:
// lengths and maxima compare and subtract as they do from the files.
double asListed(double value);
