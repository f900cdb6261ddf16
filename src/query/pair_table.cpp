// The pair table: the rows of every slot's temporary pair file read back and
// added up over the genome, one line per pair (or per subject against the
// representative HH) on standard error.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "base/c_numbers.h"
#include "base/input_file.h"
#include "base/lines.h"
#include "base/ordered_rows.h"
#include "base/output.h"
#include "base/parallel_for.h"
#include "base/text_buffer.h"
#include "genome/model.h"
#include "genome/pass_storage.h"
#include "genome/reader_threads.h"
#include "genome/run_listener.h"
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

// One row of a slot's pair file, as read: the per-slot values that the
// totals add up, in the file's units (cM, SNP counts).
struct SlotRow {
  double cMConserved, typeA, typeB;
  int64_t snps1, snps2;
};

// The rows of one slot's pair file, read on a thread of their own.
struct SlotRows {
  std::vector<SlotRow> rows;
  int64_t read = 0;     // rows read before the file ended or a row broke
  bool broken = false;  // a row was missing or had fewer than 10 fields
  std::string cutoffText;
  std::vector<std::string> labels, names1, names2;  // only for the last slot read
  std::exception_ptr failure;                       // anything else (memory)
};

// atof and strtol(..., 10) of a field; the numbers the pass writes take
// the fast path.
double realOf(const char* field) {
  double value = 0;
  return plainDecimalPrefix(field, value) ? value : std::atof(field);
}
int64_t countOf(const char* field) {
  int64_t value = 0;
  return plainIntegerPrefix(field, value, 18) ? value : std::strtol(field, nullptr, 10);
}

// Reads `rows` rows of `file` as the one-row-at-a-time reading did (MyFgets
// lines, tab fields, atof and strtol), stopping at the first broken row.
void readSlotRows(FILE* file, int64_t rows, bool keepNames, SlotRows& out) {
  try {
    std::vector<char> line(static_cast<size_t>(kLineLimit) + 1);
    std::vector<char*> fields(kMaxFields);
    out.rows.resize(static_cast<size_t>(rows));
    if (keepNames) {
      out.labels.resize(static_cast<size_t>(rows));
      out.names1.resize(static_cast<size_t>(rows));
      out.names2.resize(static_cast<size_t>(rows));
    }
    for (int64_t j = 0; j < rows; ++j) {
      if (MyFgets(line.data(), kLineLimit, file) == nullptr ||
          split(line.data(), fields.data(), "\t", kMaxFields) < 10) {
        out.broken = true;
        return;
      }
      if (j == 0) out.cutoffText = fields[1];
      if (keepNames) {
        out.labels[static_cast<size_t>(j)] = fields[0];
        out.names1[static_cast<size_t>(j)] = fields[2];
        out.names2[static_cast<size_t>(j)] = fields[3];
      }
      // The per-slot ratio (field 6) is recomputed from the totals instead.
      out.rows[static_cast<size_t>(j)] =
          SlotRow{realOf(fields[4]), realOf(fields[8]), realOf(fields[9]), countOf(fields[6]),
                  countOf(fields[7])};
      out.read = j + 1;
    }
  } catch (...) {
    out.failure = std::current_exception();
  }
}

// Adds a SNP count of a row. The pass writes counts of SNPs; a sum that
// leaves 64 bits (strtol saturates on huge digits) is a file the pass did not write.
int64_t addCount(int64_t sum, int64_t value) {
  if ((value > 0 && sum > INT64_MAX - value) || (value < 0 && sum < INT64_MIN - value))
    inappropriate();
  return sum + value;
}

// Adds the rows of slot k to the totals in slot order, as reading them in
// turn did; the first row also gives the cutoff text. A broken row stops the
// run after the rows before it.
void addSlotRows(int32_t k, SlotRows& slot, std::vector<PairSums>& sums, std::string& cutoffText) {
  if (slot.failure) std::rethrow_exception(slot.failure);
  if (slot.read > 0) cutoffText = slot.cutoffText;
  const double length = slotLength(k);
  for (int64_t j = 0; j < slot.read; ++j) {
    const SlotRow& row = slot.rows[static_cast<size_t>(j)];
    PairSums& total = sums[static_cast<size_t>(j)];
    if (!slot.labels.empty()) {
      total.label = std::move(slot.labels[static_cast<size_t>(j)]);
      total.name1 = std::move(slot.names1[static_cast<size_t>(j)]);
      total.name2 = std::move(slot.names2[static_cast<size_t>(j)]);
    }
    total.cMConserved += row.cMConserved;
    total.snps1 = addCount(total.snps1, row.snps1);
    total.snps2 = addCount(total.snps2, row.snps2);
    total.typeA += row.typeA * length;
    total.typeB += row.typeB * length;
  }
  if (slot.broken) inappropriate();
}

// Slots read at once: one per reading thread, within a bound on the memory
// their rows take.
size_t slotsAtOnce(int64_t rows) {
  constexpr uint64_t kRowBudget = uint64_t{64} << 20;  // bytes
  const uint64_t perSlot = std::max<uint64_t>(1, static_cast<uint64_t>(rows) * sizeof(SlotRow));
  return std::clamp<size_t>(static_cast<size_t>(kRowBudget / perSlot), 1, genotypeReaderThreads());
}

}  // namespace

void displayHHInformation(int n, int representative) {
  const int64_t subjects = n > 0 ? n : 0;
  const int64_t rows = representative == 1 ? subjects : subjects * (subjects - 1) / 2;
  std::vector<PairSums> sums;
  try {
    sums.resize(static_cast<size_t>(rows));
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Failed to allocate memory\n");
  }

  const int32_t slots = autosomeSlots();
  std::vector<InputFile> files(static_cast<size_t>(slots));
  std::vector<int32_t> inUse;  // slots with a pair file, in order
  for (int32_t k = 0; k < slots; ++k) {
    if (slotEmpty(k)) continue;
    files[k] = InputFile(openOwnFile(tempFileName(k)));
    if (!files[k]) fatal("ERROR: Cannot read temporary file %s\n", tempFileName(k).c_str());
    inUse.push_back(k);
  }

  std::fprintf(stderr,
               "( St1, St2 )\t'Cutoff(cM)'\t'File names'\t\t'cM conserved'\t 'Ratio'\t"
               "'No. SNP St1'\t'No. SNP St2'\t'Type A FP'\t'Type B FP'\n");

  // Slots are read on threads, a few at a time, and added up in slot order:
  // the sums, and the first broken row that stops the run, are those of
  // reading the files in turn. The names of the table are the last slot's.
  std::string cutoffText;
  const size_t batch = slotsAtOnce(rows);
  for (size_t first = 0; first < inUse.size(); first += batch) {
    const size_t count = std::min(batch, inUse.size() - first);
    std::vector<SlotRows> read(count);
    // readSlotRows keeps a failure in its rows, to be raised in slot order.
    forEachItemOnThreads(
        static_cast<int64_t>(count), static_cast<int>(count),
        [&](int64_t item, int) {
          const size_t i = static_cast<size_t>(item);
          const int32_t k = inUse[first + i];
          readSlotRows(files[k].get(), rows, first + i + 1 == inUse.size(), read[i]);
        },
        [] {});
    for (size_t i = 0; i < count; ++i) addSlotRows(inUse[first + i], read[i], sums, cutoffText);
  }
  files.clear();

  double totalLength = 0;  // cM
  for (int32_t k = 0; k < slots; ++k) totalLength += slotLength(k);
  // A row's numbers over the genome, for the table below and for a listener.
  struct Whole {
    double ratio, typeA, typeB;
  };
  const auto wholeOf = [&](const PairSums& row) {
    return Whole{row.cMConserved / totalLength, row.typeA / genome.totalGenetDistanceWOX,
                 row.typeB / genome.totalGenetDistanceWOX};
  };
  if (runListener != nullptr) {
    PairTable table;
    table.representative = representative == 1;
    table.cutoffText = cutoffText;
    table.rows.reserve(sums.size());
    for (const PairSums& row : sums) {
      const Whole w = wholeOf(row);
      table.rows.push_back({row.label, row.name1, row.name2, row.cMConserved, w.ratio, row.snps1,
                            row.snps2, w.typeA, w.typeB});
    }
    runListener->pairTable(table);
  }
  // Formatted on the threads in row order and handed to standard error in
  // large blocks instead of a write per row: the same bytes.
  TextBuffer text(stderr);
  writeRowsInOrder(
      text, 0, rows, static_cast<int>(genotypeReaderThreads()), [&](TextBuffer& out, int64_t j) {
        const PairSums& row = sums[static_cast<size_t>(j)];
        const Whole w = wholeOf(row);
        out.formatted("%s\t%s\t%s\t%s\t%.1f\t%.3f\t%ld\t%ld\t%.3f\t%.3f\n", row.label.c_str(),
                      cutoffText.c_str(), row.name1.c_str(), row.name2.c_str(), row.cMConserved,
                      w.ratio, static_cast<long>(row.snps1), static_cast<long>(row.snps2), w.typeA,
                      w.typeB);
      });
}
