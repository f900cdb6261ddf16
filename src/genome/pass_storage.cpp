// Temporary pair files and per-slot maxima of a pass or query turn.
#include "genome/pass_storage.h"

#include <cstdio>

#include "base/output.h"

std::string tempFileName(int32_t k) {
  return outName("%stempFile%03ld.txt", settings.outputFilePath.c_str(), static_cast<long>(k));
}

void openTempFiles() {
  for (int32_t k = 0; k < autosomeSlots(); ++k) {
    if (slotEmpty(k)) continue;
    if (pass.tempFile[k] != nullptr) std::fclose(pass.tempFile[k]);
    pass.tempFile[k] = openOutput(tempFileName(k));
    if (pass.tempFile[k] == nullptr) fatal("ERROR: Cannot open temporary file.\n");
  }
}

void closeTempFiles() {
  for (int32_t k = 0; k < autosomeSlots(); ++k) {
    if (slotEmpty(k) || pass.tempFile[k] == nullptr) continue;
    FILE* f = pass.tempFile[k];
    pass.tempFile[k] = nullptr;
    closeOutput(f, tempFileName(k));
  }
}

void clearSlotMaxima() {
  for (int32_t k = 0; k < autosomeSlots(); ++k) {
    if (!slotEmpty(k)) pass.maxOverlapChr[k] = 0;
  }
}

void raiseMaxOverlap() {
  for (int32_t k = 0; k < autosomeSlots(); ++k) {
    if (!slotEmpty(k) && pass.maxOverlapChr[k] > pass.maxOverlap) {
      pass.maxOverlap = pass.maxOverlapChr[k];
    }
  }
}
