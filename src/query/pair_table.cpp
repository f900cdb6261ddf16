// The pair table: the rows of every slot's temporary pair file read back and
// added up over the genome, one line per pair (or per subject against the
// representative HH) on standard error.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "driver/lines/input_file.h"
#include "driver/lines/lines.h"
#include "driver/lines/output.h"
#include "genome/model.h"
#include "genome/pass_storage.h"
#include "query/query.h"

namespace {

// Totals of one pair over all slots.
struct PairSums {
  std::string label, name1, name2;  // as in the last slot's row
  double cMConserved = 0;           // cM
  int64_t snps1 = 0, snps2 = 0;     // calls of each subject
  double typeA = 0, typeB = 0;      // estimates weighted by slot length (cM)
};

// Genetic length of slot k in cM, 0 for an empty slot.
double slotLength(int32_t k) {
  if (slotEmpty(k)) return 0.0;
  return genome.sumSNP[slotEnd(k) - 1].genetMap - genome.sumSNP[slotBegin(k)].genetMap;
}

[[noreturn]] void inappropriate() {
  fatal("ERROR: Inappropriate temporary file.\n");
}

// Adds a SNP count of a row. The pass writes counts of SNPs; a sum that
// leaves 64 bits (atol saturates on huge digits) is a file the pass did not write.
int64_t addCount(int64_t sum, const char* field) {
  const int64_t value = std::strtol(field, nullptr, 10);
  if ((value > 0 && sum > INT64_MAX - value) || (value < 0 && sum < INT64_MIN - value))
    inappropriate();
  return sum + value;
}

// Adds one row of slot k to `sums`; the first row of a slot also gives the
// cutoff text.
void addRow(FILE* file, int32_t k, bool first, std::vector<char>& line, char** fields,
            PairSums& sums, std::string& cutoffText) {
  if (MyFgets(line.data(), kLineLimit, file) == nullptr) inappropriate();
  if (split(line.data(), fields, "\t", kMaxFields) < 10) inappropriate();
  if (first) cutoffText = fields[1];
  sums.label = fields[0];
  sums.name1 = fields[2];
  sums.name2 = fields[3];
  sums.cMConserved += std::atof(fields[4]);
  sums.snps1 = addCount(sums.snps1, fields[6]);
  sums.snps2 = addCount(sums.snps2, fields[7]);
  // The per-slot ratio (field 6) is recomputed from the totals instead.
  const double length = slotLength(k);
  sums.typeA += std::atof(fields[8]) * length;
  sums.typeB += std::atof(fields[9]) * length;
}

}  // namespace

void displayHHInformation(int n, int representative) {
  const int64_t subjects = n > 0 ? n : 0;
  const int64_t rows = representative == 1 ? subjects : subjects * (subjects - 1) / 2;
  std::vector<PairSums> sums;
  std::vector<char> line;
  std::vector<char*> fields;
  try {
    sums.resize(static_cast<size_t>(rows));
    line.resize(static_cast<size_t>(kLineLimit) + 1);
    fields.resize(kMaxFields);
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Failed to allocate memory\n");
  }

  const int32_t slots = autosomeSlots();
  std::vector<InputFile> files(static_cast<size_t>(slots));
  for (int32_t k = 0; k < slots; ++k) {
    if (slotEmpty(k)) continue;
    files[k] = InputFile(openOwnFile(tempFileName(k)));
    if (!files[k]) fatal("ERROR: Cannot read temporary file %s\n", tempFileName(k).c_str());
  }

  std::fprintf(stderr,
               "( St1, St2 )\t'Cutoff(cM)'\t'File names'\t\t'cM conserved'\t 'Ratio'\t"
               "'No. SNP St1'\t'No. SNP St2'\t'Type A FP'\t'Type B FP'\n");

  std::string cutoffText;
  for (int32_t k = 0; k < slots; ++k) {
    if (!files[k]) continue;
    for (int64_t j = 0; j < rows; ++j) {
      addRow(files[k].get(), k, j == 0, line, fields.data(), sums[static_cast<size_t>(j)],
             cutoffText);
    }
  }
  files.clear();

  double totalLength = 0;  // cM
  for (int32_t k = 0; k < slots; ++k) totalLength += slotLength(k);
  for (const PairSums& row : sums) {
    std::fprintf(stderr, "%s\t%s\t%s\t%s\t%.1f\t%.3f\t%ld\t%ld\t%.3f\t%.3f\n", row.label.c_str(),
                 cutoffText.c_str(), row.name1.c_str(), row.name2.c_str(), row.cMConserved,
                 row.cMConserved / totalLength, static_cast<long>(row.snps1),
                 static_cast<long>(row.snps2), row.typeA / genome.totalGenetDistanceWOX,
                 row.typeB / genome.totalGenetDistanceWOX);
  }
}
