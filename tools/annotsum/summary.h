// The running summary of annotsum: SNP count, major-allele frequency sum and
// genetic distance over the autosomes 1..22, fed one annotation line at a time.
#pragma once
#include <cstdint>

struct AnnotationSummary {
  int64_t snpCount = 0;            // counted lines (autosomal SNPs)
  double majorFrequencySum = 0;    // sum of max(f, 1 - f), f = frequency of allele A
  double finishedDistance = 0;     // cM, of the runs already closed
  int32_t previousChromosome = 0;  // chromosome number of the previous counted line; 0 = none yet
  double runFirstMap = 0;          // cM, first map position of the current run
  double runLastMap = 0;           // cM, last map position of the current run
};

enum class LineVerdict { counted, skipped, bad };

// Applies one line, already split at tabs into `count` fields, to the summary.
// X, Y and "23" lines are skipped untested. A line whose chromosome is not a
// number in 1..22, whose frequency is not a number in [0, 1], or that lacks a
// numeric map position is bad and leaves the summary untouched.
LineVerdict addAnnotationLine(AnnotationSummary& summary, char* const* fields, int32_t count);

// Mean major-allele frequency (0/0, a NaN, when nothing was counted).
double meanMajorFrequency(const AnnotationSummary& summary);

// Total genetic distance in cM: the closed runs plus the current one.
double totalDistance(const AnnotationSummary& summary);
