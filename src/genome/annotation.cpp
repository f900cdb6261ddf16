// readAnnotation: the annotation file into the SNP table. The file is read
// twice: the first pass sizes every table (lines, highest chromosome number),
// the second checks and stores each line. An annotation held as text is read
// through a memory stream by the same passes.
#include <cmath>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "base/input_file.h"
#include "base/lines.h"
#include "base/output.h"
#include "genome/annotation_summary.h"
#include "genome/genome.h"
#include "genome/rsid_order.h"
#include "genome/scan_fields.h"

namespace {

// Highest chromosome number accepted. Every autosome is one default analysis
// region, and includeRegion holds kMaxRegions of them; a larger number is a
// typing error in the file, not a genome.
constexpr int32_t kMaxChromosomeNumber = static_cast<int32_t>(kMaxRegions) + 1;

// The annotation's bytes: the file at `path`, or `text` when it is given,
// with `path` naming it in messages.
struct AnnotationSource {
  const std::string& path;
  const std::string* text = nullptr;
};

InputFile openAnnotation(const AnnotationSource& source) {
  InputFile file;
  if (source.text == nullptr) {
    file = openInput(source.path);
  } else {
    // Read mode never writes to the buffer.
    file.reset(fmemopen(const_cast<char*>(source.text->data()), source.text->size(), "r"));
  }
  if (!file) fatal("ERROR: Cannot open the annotation file %s\n", source.path.c_str());
  return file;
}

// A decimal number as a person writes it: optional sign, digits, and for a
// non-integer an optional fraction; no exponent, nothing after it.
bool plainNumber(const char* text, bool integer) {
  const char* p = text;
  if (*p == '+' || *p == '-') ++p;
  bool digits = false;
  for (; *p >= '0' && *p <= '9'; ++p) digits = true;
  if (!integer && *p == '.') {
    for (++p; *p >= '0' && *p <= '9'; ++p) digits = true;
  }
  return digits && *p == '\0';
}

// Counts, for a LoadObserver, a line whose numbers velmora reads by their
// leading part only (scientific notation, trailing text), keeping the first.
void noteNotPlain(char** fields, int64_t lineNumber, AnnotationLoadFacts& facts) {
  static const char* const kColumnNames[] = {"",      "chromosome", "position", "allele frequency",
                                             "rs ID", "genetic map"};
  std::string first;
  for (const int column : {2, 3, 5}) {
    if (first.empty() && !plainNumber(fields[column - 1], column == 2)) {
      first = "line " + std::to_string(lineNumber) + ", " + kColumnNames[column] + " '" +
              fields[column - 1] + "'";
    }
  }
  const char c = fields[0][0];
  if (first.empty() && c != 'X' && c != 'x' && !plainNumber(fields[0], true)) {
    first = "line " + std::to_string(lineNumber) + ", chromosome '" + fields[0] + "'";
  }
  if (first.empty()) return;
  if (facts.notPlainLines++ == 0) facts.firstNotPlain = std::move(first);
}

// First pass: every line counts; lastChromosome is the largest number in column 1.
// A line too long for the buffer would silently end the file here, leaving a
// table that looks complete; the run stops instead.
int64_t scanAnnotation(const AnnotationSource& source, char* buf, char** fields) {
  InputFile file = openAnnotation(source);
  int64_t lines = 0;
  int32_t last = 0;
  while (MyFgets(buf, kLineLimit, file.get()) != nullptr) {
    ++lines;
    split(buf, fields, "\t", kMaxFields);
    int32_t chr = 0;
    if (scanInt32(fields[0], chr) && chr > last) last = chr;
  }
  requireWholeFile(file.get(), "Annotation file", source.path);
  genome.lastChromosome = last;
  return lines;
}

// Table slots for every line, packed genotype arrays of both pools, the
// nEffectiveSNP matrices and the chromosome index.
void allocateTables(int64_t lines) {
  const int32_t L = genome.lastChromosome;
  if (L > kMaxChromosomeNumber) {
    fatal(
        "ERROR: Chromosome number %d in the annotation file is too large; at most %d is "
        "supported.\n",
        L, kMaxChromosomeNumber);
  }
  for (int p = 0; p < 2; ++p) {
    if (settings.noTgPool[p] < 0) fatal("ERROR: Negative number of subjects in a pool\n");
  }
  try {
    genome.sumSNP.clear();
    genome.sumSNP.resize(static_cast<size_t>(lines));
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Failed to allocate memory\n");
  }
  allocateGTypes();
  for (int p = 0; p < 2; ++p) {
    // (L-1)(n+1) entries; with no numeric chromosome (L = 0) the count is
    // negative and the run stops as an allocation failure.
    const int64_t entries =
        static_cast<int64_t>(L) + static_cast<int64_t>(L - 1) * settings.noTgPool[p] - 1;
    if (entries < 0) fatal("ERROR: Failed to allocate memory\n");
    try {
      genome.nEffectiveSNP[p].assign(static_cast<size_t>(entries), 0);
    } catch (const std::bad_alloc&) {
      fatal("ERROR: Failed to allocate memory\n");
    }
  }
  genome.chrPosition.assign(static_cast<size_t>(L) + 1, 0);
}

struct AnnotationLine {
  int32_t chr = 0;
  int64_t position = 0;
  float freqA = 0;
  double genetMap = 0;  // cM
};

// Parses the numeric columns; false when a column is missing or holds no number.
bool parseLine(char** fields, int32_t count, AnnotationLine& line) {
  if (count < 5) return false;
  const char* chr = fields[0];
  if (chr[0] == 'X' || chr[0] == 'x') {
    line.chr = genome.lastChromosome;
  } else if (!scanInt32(chr, line.chr)) {
    return false;
  }
  return scanInt64(fields[1], line.position) && scanFloat(fields[2], line.freqA) &&
         scanDouble(fields[4], line.genetMap);
}

// The range checks, each writing its message; true when the line may be stored.
// Comparisons are written so that NaN fails them.
bool checkLine(const AnnotationLine& line) {
  bool good = true;
  if (line.chr < 1 || line.chr > genome.lastChromosome) {
    std::fputs("ERROR: Chromosome number error\n", stderr);
    good = false;
  }
  if (line.position <= 0) {
    std::fputs("ERROR: Position number error", stderr);
    good = false;
  }
  if (!(line.freqA >= 0.0f && line.freqA <= 1.0f)) {
    std::fputs("ERROR: Frequency value error", stderr);
    good = false;
  }
  if (!(line.genetMap > 0.0 && std::isfinite(line.genetMap))) {
    good = false;
  } else if (genome.totalAnnotationDataCount > 0) {
    // The map must not fall back within a chromosome listed by position.
    const SNPRecord& prev = genome.sumSNP[genome.totalAnnotationDataCount - 1];
    if (prev.chr == line.chr && prev.position < line.position && prev.genetMap > line.genetMap) {
      std::fprintf(stderr, "%lf\t%lf\n", prev.genetMap, line.genetMap);
      good = false;
    }
  }
  return good;
}

// The chromosome index gives every chromosome one block of the table, in
// ascending order; a file in another order would make a slot run backwards or
// hand one chromosome's SNPs to another, so it is refused. Positions within a
// chromosome may still fall (such a line skips the map check).
void requireChromosomeOrder(const AnnotationLine& line, int64_t lineNumber) {
  const int64_t stored = genome.totalAnnotationDataCount;
  if (stored == 0) return;
  const int32_t previous = genome.sumSNP[stored - 1].chr;
  if (line.chr < previous) {
    fatal(
        "ERROR: Chromosome %d on line %ld of the annotation file comes after chromosome %d; "
        "chromosomes must be listed in ascending order, each in one block.\n",
        line.chr, static_cast<long>(lineNumber), previous);
  }
}

// Second pass over at most `slots` lines; returns the number of lines checked.
int64_t readAnnotationLines(const AnnotationSource& source, int64_t slots, char* buf,
                            char** fields) {
  InputFile file = openAnnotation(source);
  AnnotationLoadFacts* facts = loadObserver != nullptr ? &loadObserver->annotation : nullptr;
  if (facts != nullptr) *facts = AnnotationLoadFacts();
  genome.totalAnnotationDataCount = 0;
  std::fputs("\nAnnotation data read = ", stderr);
  int64_t linesRead = 0;
  for (int64_t n = 0; n < slots && MyFgets(buf, kLineLimit, file.get()) != nullptr; ++n) {
    const int32_t count = split(buf, fields, "\t", kMaxFields);
    int64_t& stored = genome.totalAnnotationDataCount;
    // Made before the line is judged, so a count that stands still repeats.
    if (stored % 10000 == 0) std::fprintf(stderr, "%ld  ", stored);
    if (fields[0][0] == 'Y' || fields[0][0] == 'y') continue;
    if (facts != nullptr && count >= 5) noteNotPlain(fields, n + 1, *facts);
    ++linesRead;
    AnnotationLine line;
    if (!parseLine(fields, count, line)) {
      std::fputs("ERROR: Chromosome number error\nERROR: Genetic Map value error  ", stderr);
      continue;
    }
    if (!checkLine(line)) {
      std::fputs("ERROR: Genetic Map value error  ", stderr);
      continue;
    }
    requireChromosomeOrder(line, n + 1);
    SNPRecord& rec = genome.sumSNP[stored];
    rec.chr = line.chr;
    rec.position = line.position;
    rec.freqA = line.freqA;
    rec.genetMap = line.genetMap;
    try {
      rec.rsID = fields[3];
    } catch (const std::bad_alloc&) {
      fatal("ERROR: Failed to allocate memory\n");
    }
    rec.tableIndex = stored;
    ++stored;
  }
  return linesRead;
}

}  // namespace

namespace {

void readAnnotationFrom(const AnnotationSource& source) {
  std::vector<char> buf(kLineLimit + 1);
  std::vector<char*> fields(kMaxFields);
  genome.lastChromosome = 0;
  const int64_t lines = scanAnnotation(source, buf.data(), fields.data());
  allocateTables(lines);
  const int64_t linesRead = readAnnotationLines(source, lines, buf.data(), fields.data());
  // The slots of dropped lines were never filled; the table ends at the last stored record.
  genome.sumSNP.resize(static_cast<size_t>(genome.totalAnnotationDataCount));
  std::fprintf(stderr, "\nNumber of SNPs read\t\t%ld\n", linesRead);
  std::fprintf(stderr, "  Valid SNPs\t\t%ld\n\n", genome.totalAnnotationDataCount);
  buildRsIDOrder();
  buildChromosomeIndex();
  summariseAnnotation(linesRead);
}

}  // namespace

void readAnnotation(const std::string& path) {
  readAnnotationFrom(AnnotationSource{path});
}

void readAnnotationText(const std::string& label, const std::string& text) {
  readAnnotationFrom(AnnotationSource{label, &text});
}
