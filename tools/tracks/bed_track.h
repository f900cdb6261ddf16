// A start/end list as a BED track: a track line, then one line per segment
// with 0-based half-open coordinates (the start SNP's bp − 1 to the end SNP's
// bp), a name and a 0–1000 score that browsers shade by (useScore=1).
#pragma once
#include <optional>
#include <ostream>
#include <string>

#include "start_end_list.h"

struct ChromosomeNaming {
  bool chrPrefix = true;       // "chr7" rather than "7"
  std::optional<int> xNumber;  // velmora's number of chromosome X, written "X"
};

std::string chromosomeName(int number, const ChromosomeNaming& naming);

// `trackName` is usually the list's file name without ".txt".
void writeBedTrack(const StartEndList& list, const std::string& trackName,
                   const ChromosomeNaming& naming, std::ostream& out);
