// Readers that fill the genome tables of model.h: the annotation file, the
// analysis regions and the genotyping files of a pool, each from its file or
// from an import held in memory; and what a front end may learn of a load.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "genome/model.h"

// Loads the annotation file into genome.sumSNP, builds pASNP, chrPosition, the
// zeroed gType arrays and nEffectiveSNP matrices, the totals and averages, and
// reports its statistics on standard error. Bad lines are reported and dropped;
// fatal conditions throw FatalError (output.h).
void readAnnotation(const std::string& path);

// readAnnotation over `text`, the bytes an annotation file would hold, with
// `label` standing for the file's path in messages. The same reader, the
// same messages and stops.
void readAnnotationText(const std::string& label, const std::string& text);

// Writes the analysis regions into genome.includeRegion and returns how many
// there are. `size` is the number of autosomal SNPs (chrPosition[lastChromosome-1]);
// only table indexes 0..size-1 are considered. Stops (FatalError) on a missing
// or incompatible area file.
int64_t setRegion(const std::string& excludedPath, const std::string& targetPath, int64_t size);

// Reads the genotyping files of pool (enum_patients or enum_controls), n >= 1
// subjects, into the packed gType arrays and the pool's nEffectiveSNP rows.
void readGenotypingData(int pool, int n);

// The genotyping files an import writes for a cohort, held as calls instead
// of text: every subject's file lists the same rows in one order, one line
// "rs ID<TAB>call" a row (base/velmora_format.h), the call AA, BB, AB or "--".
class MemoryGenotypes {
 public:
  // Writes the call codes of `subject` (0-based) of `pool`, one a row in
  // file order, into codes[0 .. rows): 0 for "--", 1 AA, 2 BB, 3 AB. Called
  // on the reader threads, for several subjects at once; it may throw
  // FatalError or std::bad_alloc, which reach readGenotypingData's caller.
  using CallsOf = std::function<void(int pool, int32_t subject, uint8_t* codes)>;
  // Optional, the same calls row by row, which spares the reader a subject
  // at a time: writes rows [first, first + count) of `pool`, row first + r
  // at out + r * stride, subject v (0 .. subjects-1) in bits 2(v%4) of byte
  // v/4 of (subjects + 3) / 4 bytes, the bits past the last subject zero.
  // Called on the reader threads for different rows at once; errors as for
  // CallsOf, though they then come before any subject of the pool is reported.
  using RowsOf = std::function<void(int pool, int32_t subjects, size_t first, size_t count,
                                    uint8_t* out, size_t stride)>;

  // `rowIds`: each row's rs ID, in file order; the texts are borrowed and
  // must outlive this object.
  MemoryGenotypes(std::vector<std::string_view> rowIds, CallsOf callsOf, RowsOf rowsOf = {})
      : rowIds_(std::move(rowIds)), callsOf_(std::move(callsOf)), rowsOf_(std::move(rowsOf)) {}

  size_t rows() const { return rowIds_.size(); }

 private:
  friend class MemorySource;  // the reader's side, in genotypes.cpp

  std::vector<std::string_view> rowIds_;
  CallsOf callsOf_;
  RowsOf rowsOf_;
  // Set by the first pool read, for the annotation then loaded. Rows whose
  // lines the reader would cut as "rs ID<TAB>call" alone are joined once
  // for the cohort; otherwise (an ID with a tab, blank, line end or NUL, an
  // all-digit first ID, no rows) each subject's text is made and read.
  bool joined_ = false;
  bool asText_ = false;
  std::vector<int64_t> rowRecord_;  // by row: table index of the record it meets, or -1
  int64_t joinedRows_ = 0;          // rows with a record
  int64_t layoutARowsAfterFirst_ = 0;
};

// readGenotypingData with the subjects' calls taken from `calls` instead of
// the files of settings.stFile[pool], whose entries then only name the
// subjects in messages and output. Tables, counts and messages are those of
// reading the import's files; `calls` keeps the cohort's join for the next pool.
void readGenotypingData(int pool, int n, MemoryGenotypes& calls);

// What one load saw in a subject's genotyping file, as velmora reads it.
struct SubjectLoadFacts {
  bool layoutA = false;         // the first line put the rs ID in column 1
  int64_t linesAfterFirst = 0;  // lines after the first with more than one field or a non-empty one
  int64_t layoutALines = 0;     // of those, lines whose first field reads as layout A
  int64_t found = 0;            // lines joined to an annotation record
  int64_t validCalls = 0;       // AA, BB or AB stored at a joined record
  int64_t lowerCaseCalls = 0;   // calls at joined records that are AA, BB or AB but for case
  bool operator==(const SubjectLoadFacts&) const = default;
};

// The annotation's numbers that velmora reads by their leading part only.
struct AnnotationLoadFacts {
  int64_t notPlainLines = 0;  // read lines (5 fields or more, not Y) with such a field
  std::string firstNotPlain;  // the first: "line N, <column> '<field>'"
  bool operator==(const AnnotationLoadFacts&) const = default;
};

// What a front end learns of a load besides the tables. Set `loadObserver`
// before loading and clear it after; velmora leaves it nullptr and pays
// nothing for it.
struct LoadObserver {
  std::vector<SubjectLoadFacts> subjects[2];  // by pool, in subject order
  AnnotationLoadFacts annotation;
  // Optional: every byte of each subject's genotyping file, in file order,
  // on the thread reading it (for a checksum). Never called for calls held
  // in memory.
  std::function<void(int pool, int subject, const char* bytes, size_t size)> onBytes;
};
extern LoadObserver* loadObserver;

// Byte order of rs identifiers (unsigned bytes, shorter prefix first): -1, 0 or 1.
int compareRsID(const std::string& a, const std::string& b);
