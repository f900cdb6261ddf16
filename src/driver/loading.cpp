// The loading sequence: annotation, regions, genotypes, HH summary files.
#include <cstdio>

#include "driver/analysis_file.h"
#include "driver/lines/output.h"
#include "driver/run_files.h"
#include "driver/run_phases.h"
#include "genome/genome.h"

namespace {

int decimalDigits(long value) {
  int digits = 1;
  for (; value >= 10; value /= 10) ++digits;
  return digits;
}

}  // namespace

void runLoadingSequence() {
  readAnnotation(settings.annotationFilePath);
  // Chromosome numbers are now known; names with them must still fit.
  checkOutputNameRoom(decimalDigits(genome.lastChromosome));
  genome.noRegions = setRegion(settings.exclusionFilePath, settings.targetFilePath,
                               genome.chrPosition[genome.lastChromosome - 1]);
  if (genome.noRegions == 0) fatal("ERROR: There are no regions to be analyzed.\n");
  std::fprintf(stderr, "Number of regions %ld\n", genome.noRegions);
  readGenotypingData(enum_patients, settings.noTgPool[enum_patients]);
  if (settings.noTgPool[enum_controls] != 0) {
    readGenotypingData(enum_controls, settings.noTgPool[enum_controls]);
  }
  writeHHSummaryFile(enum_patients);
  if (settings.noTgPool[enum_controls] != 0) writeHHSummaryFile(enum_controls);
}
