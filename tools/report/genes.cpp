// Reading gene files through zlib (which reads plain files unchanged too).
// Lines are cut from raw blocks here rather than with gzgets, which stops
// silently at a NUL byte and would hold a line of any length in memory.
#include "genes.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <set>

#include "report_error.h"

namespace {

std::vector<std::string> tabFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    fields.push_back(
        line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

bool toInt(const std::string& text, int64_t& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

// 0 for chromosomes velmora does not number. RefSeq's accessions of the
// human chromosomes (NC_000001.11 .. NC_000022, NC_000023 for X) read as
// their numbers.
int chromosomeNumber(std::string name, int xNumber) {
  if (name.size() > 3 && (name.compare(0, 3, "chr") == 0 || name.compare(0, 3, "Chr") == 0))
    name.erase(0, 3);
  if (name.compare(0, 7, "NC_0000") == 0) {
    const std::string digits = name.substr(7, name.find('.') - 7);
    int64_t accession = 0;
    if (!toInt(digits, accession)) return 0;
    if (accession == 23) return xNumber;
    name = std::to_string(accession);
  }
  if (name == "X" || name == "x") return xNumber;
  int64_t number = 0;
  if (!toInt(name, number) || number < 1 || number >= xNumber) return 0;
  return static_cast<int>(number);
}

// The value of `key` in a GTF attribute column (key "value"; ...) or a GFF3 one (key=value;...).
std::string attribute(const std::string& column, const std::string& key, bool gff3) {
  size_t at = 0;
  while (at < column.size()) {
    while (at < column.size() && (column[at] == ' ' || column[at] == ';')) ++at;
    size_t end = column.find(';', at);
    if (end == std::string::npos) end = column.size();
    std::string item = column.substr(at, end - at);
    at = end + 1;
    size_t sep = item.find(gff3 ? '=' : ' ');
    if (sep == std::string::npos || item.substr(0, sep) != key) continue;
    std::string value = item.substr(sep + 1);
    // GTF writers differ in the blanks around a value: key  "value" ;
    const size_t from = value.find_first_not_of(' ');
    value.erase(0, from == std::string::npos ? value.size() : from);
    while (!value.empty() && value.back() == ' ') value.pop_back();
    if (!value.empty() && value.front() == '"') value.erase(0, 1);
    if (!value.empty() && value.back() == '"') value.pop_back();
    return value;
  }
  return "";
}

// A name as a message shows it: bytes outside printable ASCII as \xNN.
std::string shown(const std::string& name) {
  std::string out = "\"";
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// Why `name` cannot stand in the genes column of regions.tsv, where a
// region's genes are joined by ',', "-" marks a region without genes, "NA" a
// report without a gene file, and fields are separated by tabs; empty when it
// can.
std::string nameFault(const std::string& name, size_t limit) {
  if (name.empty()) return "an empty gene name";
  if (name.size() > limit) {
    return "a gene name of " + std::to_string(name.size()) + " bytes; gene names are at most " +
           std::to_string(limit) + " bytes";
  }
  if (name == "-" || name == "NA") {
    return "the gene name " + shown(name) +
           " is reserved: regions.tsv writes \"-\" for a region without genes and \"NA\" "
           "without a gene file";
  }
  if (name.find(',') != std::string::npos) {
    return "the gene name " + shown(name) +
           " holds ',', which separates a region's genes in regions.tsv";
  }
  for (unsigned char c : name) {
    if (c <= 0x20 || c == 0x7f) {
      return "the gene name " + shown(name) + " holds a blank or a control character";
    }
  }
  return "";
}

// The lines of a gene file, cut from blocks that gzread returns with their
// true byte count, so that a NUL byte is seen and a line over the bound is
// refused before more than the bound is held.
class GeneLines {
 public:
  GeneLines(const std::string& path, size_t limit)
      : path_(path), limit_(limit), file_(gzopen(path.c_str(), "rb")) {
    if (file_ == nullptr) throw ReportError("cannot open the gene file " + path);
    gzbuffer(file_, kBlock);
  }
  ~GeneLines() { gzclose(file_); }
  GeneLines(const GeneLines&) = delete;
  GeneLines& operator=(const GeneLines&) = delete;

  // The next line without its line end (LF, and any CR before it); false at
  // the end of the file. A last line without a line end still counts.
  bool next(std::string& line) {
    line.clear();
    bool started = false;
    for (;;) {
      if (at_ == end_ && !fill()) {
        if (!started) return false;
        break;
      }
      started = true;
      const char* begin = block_.data() + at_;
      const size_t available = end_ - at_;
      const void* lineEnd = std::memchr(begin, '\n', available);
      const size_t take = lineEnd == nullptr
                              ? available
                              : static_cast<size_t>(static_cast<const char*>(lineEnd) - begin);
      if (std::memchr(begin, '\0', take) != nullptr) {
        throw ReportError(where(number_ + 1) + "holds a NUL byte; a gene file is text");
      }
      if (take > limit_ - line.size()) {
        throw ReportError(where(number_ + 1) + "is longer than " + std::to_string(limit_) +
                          " bytes; a gene file's lines are far shorter");
      }
      line.append(begin, take);
      at_ += take;
      if (lineEnd != nullptr) {
        ++at_;
        break;
      }
    }
    ++number_;
    while (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  }

  // The number of the line that next() returned last, counted from 1.
  int64_t number() const { return number_; }

  std::string where(int64_t number) const {
    return path_ + " line " + std::to_string(number) + ": ";
  }

 private:
  static constexpr unsigned kBlock = 1 << 16;

  // Reads the next block; false at the end of the file. A damaged or cut
  // gzip stream is an error, never an early end.
  bool fill() {
    at_ = end_ = 0;
    const int got = gzread(file_, block_.data(), kBlock);
    int error = Z_OK;
    const char* message = gzerror(file_, &error);
    if (got < 0 || (got == 0 && error != Z_OK)) {
      throw ReportError(where(number_ + 1) + "cannot read the gene file: " +
                        (message != nullptr ? message : "read error"));
    }
    end_ = static_cast<size_t>(got);
    return got > 0;
  }

  std::string path_;
  size_t limit_;
  gzFile file_;
  std::vector<char> block_ = std::vector<char>(kBlock);
  size_t at_ = 0;
  size_t end_ = 0;
  int64_t number_ = 0;
};

}  // namespace

GeneSet readGenes(const std::string& path, int xNumber, const GeneFileLimits& limits) {
  GeneSet set;
  GeneLines lines(path, limits.lineBytes);
  std::string line;
  while (lines.next(line)) {
    if (line.empty() || line[0] == '#' || line.rfind("track", 0) == 0 ||
        line.rfind("browser", 0) == 0) {
      if (line.rfind("##gff-version 3", 0) == 0) set.format = "GFF3";
      continue;
    }
    std::vector<std::string> f = tabFields(line);
    auto fail = [&](const std::string& what) {
      throw ReportError(lines.where(lines.number()) + what);
    };
    if (set.format.empty()) {
      if (f.size() >= 9) {
        set.format = f[8].find('=') != std::string::npos && f[8].find('"') == std::string::npos
                         ? "GFF3"
                         : "GTF";
      } else if (f.size() >= 4) {
        set.format = "BED";
      } else {
        fail("neither a GTF/GFF3 record (9 columns) nor a BED line with a name (4 columns)");
      }
    }
    Gene gene;
    int64_t first = 0, last = 0;
    if (set.format == "BED") {
      if (f.size() < 4 || !toInt(f[1], first) || !toInt(f[2], last) || first < 0 || last <= first) {
        fail("a BED line needs chromosome, start < end (0-based) and a name");
      }
      gene.first = first + 1;  // 0-based half-open to 1-based inclusive
      gene.last = last;
      gene.name = f[3];
    } else {
      if (f.size() < 9) fail("a " + set.format + " record has 9 columns");
      if (f[2] != "gene") continue;
      if (!toInt(f[3], first) || !toInt(f[4], last) || first < 1 || last < first) {
        fail("start and end must be 1-based positions with start <= end");
      }
      gene.first = first;
      gene.last = last;
      bool gff3 = set.format == "GFF3";
      gene.name = attribute(f[8], gff3 ? "Name" : "gene_name", gff3);
      if (gene.name.empty()) gene.name = attribute(f[8], gff3 ? "ID" : "gene_id", gff3);
      if (gene.name.empty()) fail("a gene record without gene_name/Name");
    }
    // Every gene record's name is checked, also on chromosomes that are skipped:
    // a file is either fit for the table or refused as a whole.
    const std::string fault = nameFault(gene.name, limits.nameBytes);
    if (!fault.empty()) fail(fault);
    gene.chromosome = chromosomeNumber(f[0], xNumber);
    if (gene.chromosome == 0) {
      if (set.skipped++ == 0) set.firstSkippedChromosome = f[0];
      continue;
    }
    if (set.genes.size() >= limits.genes) {
      fail("more than " + std::to_string(limits.genes) + " genes; an annotation has far fewer");
    }
    set.genes.push_back(std::move(gene));
  }
  if (set.format.empty()) throw ReportError("the gene file " + path + " holds no gene");
  std::sort(set.genes.begin(), set.genes.end(), [](const Gene& a, const Gene& b) {
    if (a.chromosome != b.chromosome) return a.chromosome < b.chromosome;
    if (a.first != b.first) return a.first < b.first;
    return a.name < b.name;
  });
  return set;
}

std::vector<const Gene*> genesOverlapping(const GeneSet& set, int chromosome, int64_t first,
                                          int64_t last) {
  std::vector<const Gene*> found;
  std::set<std::string> names;
  for (const Gene& gene : set.genes) {
    if (gene.chromosome != chromosome || gene.last < first || gene.first > last) continue;
    if (names.insert(gene.name).second) found.push_back(&gene);
  }
  return found;
}

std::vector<std::string> checkGenesFitBuild(const GeneSet& set, const std::string& path,
                                            const GenomeBuild& build, int xNumber) {
  if (set.genes.empty() && set.skipped > 0) {
    throw ReportError("none of the " + std::to_string(set.skipped) + " records of the gene file " +
                      path + " lies on a chromosome velmora analyses (the first names '" +
                      set.firstSkippedChromosome +
                      "'; 1..22 and X are read with or without 'chr', and as RefSeq accessions "
                      "NC_0000NN): give a gene file for this genome");
  }
  std::vector<std::string> warnings;
  int64_t beyond = 0;
  const Gene* first = nullptr;
  for (const Gene& gene : set.genes) {
    const std::optional<int64_t> length = chromosomeLength(build, gene.chromosome, xNumber);
    if (!length || gene.last <= *length) continue;
    if (beyond++ == 0) first = &gene;
  }
  if (beyond > 0) {
    warnings.push_back(std::to_string(beyond) + " genes of " + path +
                       " end beyond their chromosome in " + build.name + " (the first, " +
                       first->name + ", at chromosome " + std::to_string(first->chromosome) + ": " +
                       std::to_string(first->last) +
                       " bp): is the gene file for another genome build? Give one for " +
                       build.name + ", or --build for the build of the data.");
  }
  return warnings;
}
