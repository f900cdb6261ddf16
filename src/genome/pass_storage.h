// Helpers over the pass storage shared by the run driver's passes and the
// query turns: temporary pair files and per-slot maxima.
#pragma once
#include <cstdint>
#include <string>

#include "genome/model.h"

inline bool slotEmpty(int32_t k) {
  return slotBegin(k) == slotEnd(k);
}

// "%stempFile%03ld.txt" of slot k (0-based).
std::string tempFileName(int32_t k);

// Creates (or empties) the temporary pair file of every non-empty slot into
// pass.tempFile; stops the run with "ERROR: Cannot open temporary file.\n".
void openTempFiles();

// Closes them, stopping the run when a row did not reach the disk.
void closeTempFiles();

// Sets maxOverlapChr of every non-empty slot to 0.
void clearSlotMaxima();

// Raises maxOverlap to every non-empty slot's maxOverlapChr.
void raiseMaxOverlap();
