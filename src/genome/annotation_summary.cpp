// Chromosome index, genome totals, statistics table and storage estimates of
// the annotation just read.
#include "genome/annotation_summary.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/output.h"
#include "genome/model.h"

void buildChromosomeIndex() {
  const int32_t L = genome.lastChromosome;
  const int64_t N = genome.totalAnnotationDataCount;
  // Per chromosome number: the first record and the end of the block that
  // starts there. Chromosome c takes first[c] as its start, and an absent
  // chromosome starts where the block of the last present one below it ends,
  // whatever order the file had.
  std::vector<int64_t> first(static_cast<size_t>(L) + 1, -1);
  std::vector<int64_t> blockEnd(static_cast<size_t>(L) + 1, 0);
  for (int64_t i = 0; i < N; ++i) {
    const int32_t c = genome.sumSNP[i].chr;
    if (c < 1 || c > L) continue;
    if (first[c] < 0) {
      first[c] = i;
      blockEnd[c] = i + 1;
    } else if (blockEnd[c] == i) {
      blockEnd[c] = i + 1;
    }
  }
  genome.chrPosition.assign(static_cast<size_t>(L) + 1, 0);
  int64_t carried = 0;
  for (int32_t c = 1; c <= L; ++c) {
    if (first[c] >= 0) {
      genome.chrPosition[c - 1] = first[c];
      carried = blockEnd[c];
    } else {
      genome.chrPosition[c - 1] = carried;
    }
  }
  genome.chrPosition[L] = N;
}

namespace {

// Map distance (cM) of chromosome c, 0 for an empty range.
double chromosomeDistance(int32_t c) {
  const int64_t from = genome.chrPosition[c - 1], to = genome.chrPosition[c];
  if (from >= to) return 0.0;
  return genome.sumSNP[to - 1].genetMap - genome.sumSNP[from].genetMap;
}

void computeTotals() {
  const int32_t L = genome.lastChromosome;
  genome.totalGenetDistance = 0;
  genome.totalGenetDistanceWOX = 0;
  for (int32_t c = 1; c <= L; ++c) {
    const double d = chromosomeDistance(c);
    genome.totalGenetDistance += d;
    if (c < L) genome.totalGenetDistanceWOX += d;
  }
}

void computeAlleleAverages() {
  const int32_t L = genome.lastChromosome;
  genome.averageMajorAlleleFrequencyWOX = 0;
  genome.averageMinorAlleleFrequencyWOX = 0;
  if (L < 2) return;
  const int64_t autosomal = genome.chrPosition[L - 1];
  if (autosomal <= 0) return;  // the run stops before the averages are used
  double major = 0, minor = 0;
  for (int64_t i = 0; i < autosomal; ++i) {
    const double f = genome.sumSNP[i].freqA;
    if (f >= 1 - f) {
      major += f;
      minor += 1 - f;
    } else {
      major += 1 - f;
      minor += f;
    }
  }
  genome.averageMajorAlleleFrequencyWOX = major / static_cast<double>(autosomal);
  genome.averageMinorAlleleFrequencyWOX = minor / static_cast<double>(autosomal);
}

// Mean of 1 - p^2 - (1-p)^2 over [from, to), every step in single precision.
float averageHeterozygosity(int64_t from, int64_t to) {
  float sum = 0.0f;
  for (int64_t i = from; i < to; ++i) {
    const float p = genome.sumSNP[i].freqA;
    sum += 1.0f - p * p - (1.0f - p) * (1.0f - p);
  }
  return sum / static_cast<float>(to - from);
}

void printStatistics() {
  std::fputs("Statistics of SNPs in the annotation file.\n", stderr);
  std::fputs("     chr\t        from\t          to\t No. of SNPs\t  ave.hetero\tgenetic distance\n",
             stderr);
  for (int32_t c = 1; c <= genome.lastChromosome; ++c) {
    const int64_t from = genome.chrPosition[c - 1], to = genome.chrPosition[c];
    if (from >= to) continue;
    std::fprintf(stderr, "%8d\t%12ld\t%12ld\t%12ld\t", c, genome.sumSNP[from].position,
                 genome.sumSNP[to - 1].position, to - from);
    std::fprintf(stderr, "%12lf\t%12lf\n", static_cast<double>(averageHeterozygosity(from, to)),
                 chromosomeDistance(c));
  }
}

void printEstimates(int64_t linesRead) {
  const int64_t P = settings.noTgPool[enum_patients], C = settings.noTgPool[enum_controls];
  const int64_t L = genome.lastChromosome;
  genome.memoryAllocated =
      16.0 * static_cast<double>(L + 1) + 8.0 * static_cast<double>(P + C + 2) +
      static_cast<double>(linesRead) * static_cast<double>(2 * P + 2 * C + P / 4 + C / 4 + 144);
  std::fprintf(stderr, "%.2f MegaBytes were allocated for data storage.\n",
               genome.memoryAllocated / 1000 / 1000);
  const int64_t hhBytes = 2 * std::max(P, C) * genome.chrPosition[1];
  std::fprintf(stderr, "%.2f MegaBytes will be allocated for HH calculation.\n\n",
               static_cast<double>(hhBytes) / 1000 / 1000);
}

}  // namespace

void summariseAnnotation(int64_t linesRead) {
  const int32_t L = genome.lastChromosome;
  computeTotals();
  computeAlleleAverages();
  printStatistics();
  std::fprintf(stderr, "\nTotal genetic distance = %f\n", genome.totalGenetDistance);
  std::fprintf(stderr, "Total genetic distance (excluding X chromosome) = %f\n",
               genome.totalGenetDistanceWOX);
  if (L <= 1 || genome.chrPosition[L - 1] == 0) {
    fatal("ERROR: No autosomes present in this analysis.\nTerminating Program....\n");
  }
  std::fprintf(stderr,
               "The average of the frequency of the major allelic type excluding chromosome X %f\n",
               genome.averageMajorAlleleFrequencyWOX);
  std::fprintf(
      stderr,
      "The average of the frequency of the minor allelic type excluding chromosome X %f\n\n",
      genome.averageMinorAlleleFrequencyWOX);
  printEstimates(linesRead);
}
