// The fold-overlap pass of a pool, its per-chromosome reports, the
// representative passes and the end of the run.
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "base/output.h"
#include "driver/output_directory.h"
#include "driver/run_files.h"
#include "driver/run_phases.h"
#include "genome/model.h"
#include "genome/pass_storage.h"
#include "genome/run_listener.h"
#include "hh/engine_options.h"
#include "hh/hh.h"
#include "query/query.h"
#include "report/report.h"
#include "stats/stats.h"

namespace {

const char* outDir() {
  return settings.outputFilePath.c_str();
}

std::string perChromosomeFoldName(long w, int pool, const char* extension) {
  return outName("%sHH_%03ld_FoldOverlaps_%s_chr%03d.%s", outDir(), w, settings.stringTgPool[pool],
                 pass.chrNo + 1, extension);
}

// Figures and texts of every fold count reached on the slot in hand, as
// pieces of the whole-genome files in the pass's spool.
void writeSlotFoldReports(PieceSpool& spool, int pool, int n) {
  spoolSlotFoldReports(
      spool, pool, n, pass.chrNo, engineThreads(),
      [pool](long w, const char* extension) { return perChromosomeFoldName(w, pool, extension); });
}

// The patients' representative HH of the slot in hand, also for the controls.
void buildRepresentativeOfSlot() {
  const int32_t k = pass.chrNo;
  obtainRepresentativeHH(k);
  const uint64_t patientsSlot = static_cast<uint64_t>(settings.noTgPool[enum_patients]);
  const uint64_t controlsSlot = static_cast<uint64_t>(settings.noTgPool[enum_controls]);
  for (int64_t i = slotBegin(k); i < slotEnd(k); ++i) {
    SNPRecord& r = genome.sumSNP[i];
    putGType(r.gType[enum_controls], controlsSlot, getGType(r.gType[enum_patients], patientsSlot));
  }
  const int64_t columns = autosomeSlots();
  genome.nEffectiveSNP[enum_controls][controlsSlot * columns + k] =
      genome.nEffectiveSNP[enum_patients][patientsSlot * columns + k];
}

}  // namespace

bool bothPoolsInUse() {
  return settings.noTgPool[enum_patients] > 0 && settings.noTgPool[enum_controls] > 0;
}

void allocateRunStorage() {
  const size_t slots = static_cast<size_t>(autosomeSlots());
  try {
    pass.tempFile.assign(slots, nullptr);
    pass.maxOverlapChr.assign(slots, 0);
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Failed to allocate memory\n");
  }
  try {
    for (int p = 0; p < 2; ++p)
      pass.targetSt[p].assign(static_cast<size_t>(settings.noTgPool[p]), 0);
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Cannot allocate memory.\n");
  }
}

void runFoldOverlapPass(int pool) {
  const int n = settings.noTgPool[pool];
  pass.targetSt[pool].assign(static_cast<size_t>(n), 1);
  // The summary merge takes every piece it finds, and the fold-count pieces
  // of the spool replace files an interrupted earlier run may have left:
  // nothing of such a run may end up in the merges or stay beside them.
  removeStalePieces(true);
  PieceSpool spool(settings.outputFilePath);
  // The summary's rows go to one unnamed file, which takes the summary's name
  // at the merge, instead of a file per slot copied into it.
  UnnamedOutput summary(settings.outputFilePath);
  struct Detach {
    ~Detach() { pass.foldSummary = nullptr; }
  } detach;
  pass.foldSummary = summary.stream() != nullptr ? &summary : nullptr;
  openTempFiles();
  try {
    pass.foldOverlapFileFlagTXT.assign(static_cast<size_t>(n) + 1, 0);
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Failed to allocate memory\n");
  }
  std::fprintf(stderr, "\n\n%s\n", settings.stringTgPool[pool]);
  if (runListener != nullptr) runListener->passBegins(pool, false);
  clearSlotMaxima();
  for (int32_t k = 0; k < autosomeSlots(); ++k) {
    if (slotEmpty(k)) continue;
    pass.chrNo = k;
    attachSlotScratch(k, pool, n + 1, n);
    countRCHHSharedByMultiplePatients(pool, n, k, 1);
    if (settings.allFiles) writeSlotFoldReports(spool, pool, n);
    if (pool == enum_patients && bothPoolsInUse()) buildRepresentativeOfSlot();
    releaseSlotScratch(k);
  }
  raiseMaxOverlap();
  std::vector<uint8_t>().swap(pass.foldOverlapFileFlagTXT);
  std::fprintf(stderr, "\nCompleted.\n\n");
  closeTempFiles();
  displayHHInformation(n, 0);
  foldOverlapDrawFigures(pool, n, 0);
  if (settings.allFiles) mergeFoldOverlapSummary(pool, pass.foldSummary);
  if (n >= 2 && settings.allFiles) {
    mergeWholeGenomeFoldTexts(spool, pool, n);
    mergeWholeGenomeFoldFigures(spool, pool, n);
  }
}

namespace {

void runRepresentativePass(int pool) {
  const int n = settings.noTgPool[pool];
  openTempFiles();
  clearSlotMaxima();
  std::fprintf(stderr, "\nRepresentative: %s\n", settings.stringTgPool[pool]);
  if (runListener != nullptr) runListener->passBegins(pool, true);
  for (int32_t k = 0; k < autosomeSlots(); ++k) {
    if (slotEmpty(k)) continue;
    pass.chrNo = k;
    attachSlotScratch(k, pool, n + 1, n + 1);
    countRCHHSharedWithRepresentativePatients(pool, n, k);
    releaseSlotScratch(k);
  }
  closeTempFiles();
  raiseMaxOverlap();
  std::fprintf(stderr, "\nCompleted.\n\n");
  displayHHInformation(n, 1);
  foldOverlapDrawFigures(pool, n, 1);
  significance(
      outName("%sHH_P_Value_Using_Representative_PatientPool_vs_ControlPool.ps", outDir()),
      outName("%sHH_P_Value_Using_Representative_PatientPool_vs_ControlPool.txt", outDir()));
}

}  // namespace

void runRepresentativeAndComparisonPhases() {
  significance(outName("%sHH_P_Value_PatientPool_vs_ControlPool.ps", outDir()),
               outName("%sHH_P_Value_PatientPool_vs_ControlPool.txt", outDir()));
  runRepresentativePass(enum_patients);
  runRepresentativePass(enum_controls);
}

void endRun() {
  for (int32_t k = 0; k < autosomeSlots(); ++k) {
    if (!slotEmpty(k)) std::remove(tempFileName(k).c_str());
  }
  for (int p = 0; p < 2; ++p) std::vector<uint8_t>().swap(pass.targetSt[p]);
  // The statistics warnings are the run's only standard output; a run whose
  // warnings were lost does not end as complete either.
  if (std::fflush(stdout) != 0 || std::ferror(stdout))
    fatal("ERROR: Failed to write standard output\n");
  std::fprintf(stderr, "\nCompleted!\n");
  std::fflush(stderr);
}

void runAnalysisPhases() {
  allocateRunStorage();
  checkPairFileSpace();
  for (int pool = enum_patients; pool <= enum_controls; ++pool) {
    if (settings.noTgPool[pool] > 0) runFoldOverlapPass(pool);
    if (bothPoolsInUse()) writeRepresentativeFile();
  }
  if (bothPoolsInUse()) {
    runRepresentativeAndComparisonPhases();
  } else {
    // A turn keeps its figure pieces in a spool; pieces an interrupted
    // earlier run left as files go first. The pair files of the last turn stay.
    do {
      removeStalePieces(false);
    } while (customCombinationHH() != 0);
  }
  endRun();
}
