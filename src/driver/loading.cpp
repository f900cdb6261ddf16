// The loading sequence: annotation, regions, genotypes, HH summary files.
#include <sys/resource.h>

#include <cstdio>

#include "base/output.h"
#include "driver/analysis_file.h"
#include "driver/run_files.h"
#include "driver/run_inputs.h"
#include "driver/run_phases.h"
#include "genome/genome.h"
#include "genome/pass_storage.h"

namespace {

int decimalDigits(long value) {
  int digits = 1;
  for (; value >= 10; value /= 10) ++digits;
  return digits;
}

// A pass keeps the temporary pair file of every non-empty autosome open at
// once, beside the standard streams and a report file or two. An annotation
// with more chromosomes than the process may hold open would stop the run
// halfway, after output was written; it is refused before any is, once the
// soft limit has been raised as far as the hard one allows.
void requireOpenFileRoom() {
  rlim_t needed = 16;  // standard streams, report files, spare
  for (int32_t k = 0; k < autosomeSlots(); ++k) {
    if (!slotEmpty(k)) ++needed;
  }
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return;
  if (needed <= limit.rlim_cur) return;
  const rlim_t soft = limit.rlim_cur;
  if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max >= needed) {
    const rlim_t hard = limit.rlim_max;
    limit.rlim_cur = hard == RLIM_INFINITY ? needed : hard;
    if (setrlimit(RLIMIT_NOFILE, &limit) == 0) return;
  }
  fatal(
      "ERROR: The annotation file has %ld analysed chromosomes; a run would need more open files "
      "than the limit of %ld allows.\n",
      static_cast<long>(needed - 16), static_cast<long>(soft));
}

}  // namespace

namespace {

// The genome tables of a run's inputs; velmora's own run (`velmoraRun`) adds
// the checks that concern its output files as soon as the chromosomes are known.
void loadTables(bool velmoraRun) {
  readAnnotation(settings.annotationFilePath);
  if (velmoraRun) {
    requireOpenFileRoom();
    // Chromosome numbers are now known; names with them must still fit.
    checkOutputNameRoom(decimalDigits(genome.lastChromosome));
  }
  genome.noRegions = setRegion(settings.exclusionFilePath, settings.targetFilePath,
                               genome.chrPosition[genome.lastChromosome - 1]);
  if (genome.noRegions == 0) fatal("ERROR: There are no regions to be analyzed.\n");
  std::fprintf(stderr, "Number of regions %ld\n", genome.noRegions);
  readGenotypingData(enum_patients, settings.noTgPool[enum_patients]);
  if (settings.noTgPool[enum_controls] != 0) {
    readGenotypingData(enum_controls, settings.noTgPool[enum_controls]);
  }
}

}  // namespace

void loadRunInputs(const std::string& path) {
  readAnalysisInputs(path);
  loadTables(false);
}

namespace {

void writeHHSummaryFiles() {
  if (!settings.allFiles) return;
  writeHHSummaryFile(enum_patients);
  if (settings.noTgPool[enum_controls] != 0) writeHHSummaryFile(enum_controls);
}

}  // namespace

void runLoadingSequence() {
  loadTables(true);
  writeHHSummaryFiles();
}

void beginLoadedRun() {
  requireOpenFileRoom();
  checkOutputNameRoom(decimalDigits(genome.lastChromosome));
  writeHHSummaryFiles();
}
