// Reading gene files through zlib (which reads plain files unchanged too).
#include "genes.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <charconv>
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

// 0 for chromosomes velmora does not number.
int chromosomeNumber(std::string name, int xNumber) {
  if (name.size() > 3 && (name.compare(0, 3, "chr") == 0 || name.compare(0, 3, "Chr") == 0))
    name.erase(0, 3);
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
    if (!value.empty() && value.front() == '"') value.erase(0, 1);
    if (!value.empty() && value.back() == '"') value.pop_back();
    return value;
  }
  return "";
}

class GzLines {
 public:
  explicit GzLines(const std::string& path) : file_(gzopen(path.c_str(), "rb")) {
    if (file_ == nullptr) throw ReportError("cannot open the gene file " + path);
  }
  ~GzLines() { gzclose(file_); }
  GzLines(const GzLines&) = delete;
  GzLines& operator=(const GzLines&) = delete;
  bool next(std::string& line, const std::string& path) {
    line.clear();
    char buffer[8192];
    while (gzgets(file_, buffer, sizeof buffer) != nullptr) {
      line += buffer;
      if (!line.empty() && line.back() == '\n') break;
    }
    int error = 0;
    gzerror(file_, &error);
    if (error != Z_OK && error != Z_STREAM_END)
      throw ReportError("cannot read the gene file " + path);
    if (line.empty()) return false;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return true;
  }

 private:
  gzFile file_;
};

}  // namespace

GeneSet readGenes(const std::string& path, int xNumber) {
  GeneSet set;
  GzLines lines(path);
  std::string line;
  int64_t number = 0;
  while (lines.next(line, path)) {
    ++number;
    if (line.empty() || line[0] == '#' || line.rfind("track", 0) == 0 ||
        line.rfind("browser", 0) == 0) {
      if (line.rfind("##gff-version 3", 0) == 0) set.format = "GFF3";
      continue;
    }
    std::vector<std::string> f = tabFields(line);
    std::string where = path + " line " + std::to_string(number) + ": ";
    if (set.format.empty()) {
      if (f.size() >= 9) {
        set.format = f[8].find('=') != std::string::npos && f[8].find('"') == std::string::npos
                         ? "GFF3"
                         : "GTF";
      } else if (f.size() >= 4) {
        set.format = "BED";
      } else {
        throw ReportError(
            where + "neither a GTF/GFF3 record (9 columns) nor a BED line with a name (4 columns)");
      }
    }
    Gene gene;
    int64_t first = 0, last = 0;
    if (set.format == "BED") {
      if (f.size() < 4 || !toInt(f[1], first) || !toInt(f[2], last) || first < 0 || last <= first) {
        throw ReportError(where + "a BED line needs chromosome, start < end (0-based) and a name");
      }
      gene.first = first + 1;  // 0-based half-open to 1-based inclusive
      gene.last = last;
      gene.name = f[3];
    } else {
      if (f.size() < 9) throw ReportError(where + "a " + set.format + " record has 9 columns");
      if (f[2] != "gene") continue;
      if (!toInt(f[3], first) || !toInt(f[4], last) || first < 1 || last < first) {
        throw ReportError(where + "start and end must be 1-based positions with start <= end");
      }
      gene.first = first;
      gene.last = last;
      bool gff3 = set.format == "GFF3";
      gene.name = attribute(f[8], gff3 ? "Name" : "gene_name", gff3);
      if (gene.name.empty()) gene.name = attribute(f[8], gff3 ? "ID" : "gene_id", gff3);
      if (gene.name.empty()) throw ReportError(where + "a gene record without gene_name/Name");
    }
    gene.chromosome = chromosomeNumber(f[0], xNumber);
    if (gene.chromosome == 0) {
      ++set.skipped;
      continue;
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
