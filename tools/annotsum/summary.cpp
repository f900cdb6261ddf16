// Per-line rules of annotsum: which lines count, how runs of one chromosome
// add up to a genetic distance, and the major-allele frequency.
#include "summary.h"

#include <cstdio>
#include <cstring>

namespace {

// Columns, 0-based, of the annotation line.
constexpr int32_t kChromosomeColumn = 0;
constexpr int32_t kFrequencyColumn = 2;
constexpr int32_t kMapColumn = 4;
constexpr int32_t kFieldsNeeded = 5;

bool isSkippedChromosome(const char* text) {
  switch (text[0]) {
    case 'X':
    case 'x':
    case 'Y':
    case 'y':
      return true;
    default:
      return std::strcmp(text, "23") == 0;
  }
}

}  // namespace

LineVerdict addAnnotationLine(AnnotationSummary& summary, char* const* fields, int32_t count) {
  if (isSkippedChromosome(fields[kChromosomeColumn])) return LineVerdict::skipped;
  // A field that holds no number must not inherit the previous line's value,
  // so every parse that fails makes the line bad, like an out-of-range value.
  if (count < kFieldsNeeded) return LineVerdict::bad;

  int chromosome = 0;  // chromosome number, 1-based
  if (std::sscanf(fields[kChromosomeColumn], "%d", &chromosome) != 1) return LineVerdict::bad;
  if (chromosome < 1 || chromosome > 22) return LineVerdict::bad;

  double frequency = 0;  // of allele A
  if (std::sscanf(fields[kFrequencyColumn], "%lf", &frequency) != 1) return LineVerdict::bad;
  // Written as a negated range so that a NaN frequency is refused too.
  if (!(frequency >= 0 && frequency <= 1)) return LineVerdict::bad;

  double map = 0;  // cM
  if (std::sscanf(fields[kMapColumn], "%lf", &map) != 1) return LineVerdict::bad;

  if (chromosome != summary.previousChromosome) {
    summary.finishedDistance += summary.runLastMap - summary.runFirstMap;
    summary.runFirstMap = map;
    summary.previousChromosome = chromosome;
  }
  summary.runLastMap = map;
  summary.majorFrequencySum += frequency > 0.5 ? frequency : 1 - frequency;
  ++summary.snpCount;
  return LineVerdict::counted;
}

double meanMajorFrequency(const AnnotationSummary& summary) {
  return summary.majorFrequencySum / static_cast<double>(summary.snpCount);
}

double totalDistance(const AnnotationSummary& summary) {
  return summary.finishedDistance + (summary.runLastMap - summary.runFirstMap);
}
