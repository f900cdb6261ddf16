// One turn of the subject-combination query: the RCHHs a chosen set of
// patients all share, as one figure and one list, and their pair table.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "base/lines.h"
#include "base/output.h"
#include "genome/model.h"
#include "genome/pass_storage.h"
#include "genome/run_listener.h"
#include "hh/hh.h"
#include "query/combination_line.h"
#include "query/query.h"
#include "report/report.h"

namespace {

// Longest file name (one path component) the output directory takes.
size_t longestComponent(const std::string& fullName) {
  const long limit = pathconf(directoryOf(fullName).c_str(), _PC_NAME_MAX);
  return limit > 0 ? static_cast<size_t>(limit) : 255;
}

// Builds "%sHH_RCHHsSharedBy%03u" followed by "_st%03ld" per chosen patient;
// empty when the name, with its extensions and piece suffixes, would not fit
// the 1000-byte name buffers or the file system's limit on a file name.
std::string queryResultName(const std::vector<int>& subjects) {
  char part[64];
  std::snprintf(part, sizeof part, "HH_RCHHsSharedBy%03u", static_cast<unsigned>(subjects.size()));
  std::string name = settings.outputFilePath + part;
  for (int s : subjects) {
    std::snprintf(part, sizeof part, "_st%03ld", static_cast<long>(s));
    name += part;
  }
  // Longest derived name: the figure's piece "<name>.ps_chrNNN".
  const size_t chrDigits = std::to_string(genome.lastChromosome).size();
  const size_t longest = name.size() + 3 + 4 + std::max<size_t>(3, chrDigits);
  if (longest >= static_cast<size_t>(kNameBufferSize)) return std::string();
  const size_t component = longest - (name.size() - std::strlen(fileNameBody(name.c_str())));
  if (component > longestComponent(name)) return std::string();
  return name;
}

// Joins the figure pieces of the turn under the five header lines.
void mergeFigurePieces(PieceSpool& spool, const std::string& figureName) {
  std::vector<std::string> pieces;
  for (long c = 1; c <= genome.lastChromosome - 1; ++c) {
    pieces.push_back(outName("%s_chr%03ld", figureName.c_str(), c));
  }
  mergePieces(pieces, figureName, true, spool);
}

}  // namespace

std::FILE* queryAnswers = nullptr;

int customCombinationHH() {
  const int n = settings.noTgPool[enum_patients];
  pass.targetSt[enum_patients].assign(static_cast<size_t>(n), 0);
  std::fprintf(stderr,
               "\nInput the numbers for the subjects among whom you wish to obtain the RCHHs "
               "(just hit return to exit) ");
  char line[255];
  if (runListener != nullptr) runListener->queryTurn();
  if (std::fgets(line, sizeof line, queryAnswers != nullptr ? queryAnswers : stdin) == nullptr)
    return 0;  // end of input ends the dialogue
  const CombinationAnswer answer = parseCombinationLine(line, n);
  switch (answer.kind) {
    case CombinationAnswer::kEnd:
      if (line[0] == '0') std::fprintf(stderr, "Completed.\n");
      return 0;
    case CombinationAnswer::kNoDigits:
      std::fprintf(stderr, "\nThe patient number(s) is out of range\n");
      return 1;
    case CombinationAnswer::kOutOfRange:
      std::fprintf(stderr, "\nPatient No. %s out of range\n", answer.outOfRange.c_str());
      return 1;
    case CombinationAnswer::kChosen:
      break;
  }
  const unsigned size = static_cast<unsigned>(answer.subjects.size());
  const std::string resultName = queryResultName(answer.subjects);
  if (resultName.empty()) {
    std::fprintf(stderr,
                 "\nERROR: Too many patients chosen: the output file names would be longer "
                 "than the output directory takes.\n");
    return 1;
  }
  for (int s : answer.subjects) pass.targetSt[enum_patients][static_cast<size_t>(s - 1)] = 1;

  clearSlotMaxima();
  PieceSpool spool(settings.outputFilePath);
  openTempFiles();
  const std::string figureName = resultName + ".ps";
  const std::string textName = resultName + ".txt";
  try {
    pass.foldOverlapFileFlagTXT.assign(size + 1, 0);
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Failed to allocate memory\n");
  }
  for (int32_t c = 0; c < autosomeSlots(); ++c) {
    if (slotEmpty(c)) continue;
    pass.chrNo = c;
    attachSlotScratch(c, enum_patients, n + 1, n);
    countRCHHSharedByMultiplePatients(enum_patients, n, c, 0);
    if (Set_up_start_end(size, 1, enum_patients, c) == 1) {
      pass.foldOverlapFileFlagPSHeader = 0;
      spoolBlackAndWhitePS(spool, outName("%s_chr%03d", figureName.c_str(), c + 1), c);
      Output_foldoverlap_textHH(textName, n, size, enum_patients, c, static_cast<int>(size));
    }
    releaseSlotScratch(c);
  }
  raiseMaxOverlap();
  closeTempFiles();
  std::vector<uint8_t>().swap(pass.foldOverlapFileFlagTXT);
  if (pass.maxOverlap < size) {
    std::fprintf(stderr, "\nNo common regions found.\n");
    return 1;
  }
  std::fprintf(stderr, "\nCompleted.\n\n");
  displayHHInformation(static_cast<int>(size), 0);
  mergeFigurePieces(spool, figureName);
  return 1;
}
