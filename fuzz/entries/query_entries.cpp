// Fuzz entries of the query side: the temporary pair file reader of the pair
// table and the answer line of the subject-combination query.
#include <algorithm>
#include <cstring>
#include <string>

#include "fuzz_entries.h"
#include "genome/model.h"
#include "genome/pass_storage.h"
#include "query/combination_line.h"
#include "query/query.h"

namespace {

// Two autosomes of two SNPs each and an X without SNPs.
void buildTwoSlotGenome() {
  resetModel();
  settings.outputFilePath = scratchDir() + "/";
  genome.lastChromosome = 3;
  genome.sumSNP.resize(4);
  const double maps[4] = {0.5, 60.5, 1.0, 41.0};  // cM
  for (int i = 0; i < 4; ++i) {
    SNPRecord& r = genome.sumSNP[i];
    r.chr = i < 2 ? 1 : 2;
    r.position = 1000 * (i + 1);
    r.genetMap = maps[i];
    r.rsID = "rs" + std::to_string(i);
    r.tableIndex = i;
  }
  genome.totalAnnotationDataCount = 4;
  genome.chrPosition = {0, 2, 4, 4};
  genome.totalGenetDistanceWOX = 100.0;
}

}  // namespace

FuzzResult fuzzPairFile(const uint8_t* data, size_t size) {
  if (size == 0) return {};
  const int n = data[0] & 7;
  const int representative = (data[0] & 0x80) != 0 ? 1 : 0;
  return runReader([&] {
    buildTwoSlotGenome();
    // Both slots' files hold the input, each under the name the pair table opens.
    for (int32_t k = 0; k < 2; ++k) {
      writeScratchFile(tempFileName(k).substr(settings.outputFilePath.size()), data + 1, size - 1);
    }
    displayHHInformation(n, representative);
  });
}

FuzzResult fuzzCombinationLine(const uint8_t* data, size_t size) {
  if (size < 2) return {};
  const int patients = 1 + (data[0] | (data[1] << 8));
  // As fgets gives it: up to and including the first line end, 254 bytes at
  // most, ended by a terminator (a NUL byte inside ends the text early).
  std::string line(reinterpret_cast<const char*>(data + 2), std::min<size_t>(size - 2, 254));
  const size_t newline = line.find('\n');
  if (newline != std::string::npos) line.resize(newline + 1);
  return runReader([&] {
    const CombinationAnswer answer = parseCombinationLine(line.c_str(), patients);
    switch (answer.kind) {
      case CombinationAnswer::kChosen:
        if (answer.subjects.empty()) fuzzFinding("chose nobody");
        for (size_t i = 0; i < answer.subjects.size(); ++i) {
          const int s = answer.subjects[i];
          if (s < 1 || s > patients) fuzzFinding("chose patient " + std::to_string(s));
          if (i > 0 && answer.subjects[i - 1] >= s) fuzzFinding("subjects not ascending");
        }
        break;
      case CombinationAnswer::kOutOfRange:
        if (answer.outOfRange.empty() || !answer.subjects.empty())
          fuzzFinding("out of range answer");
        break;
      case CombinationAnswer::kEnd:
      case CombinationAnswer::kNoDigits:
        if (!answer.subjects.empty()) fuzzFinding("subjects without a choice");
        break;
    }
  });
}
