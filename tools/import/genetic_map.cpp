// Reading map files in their published layouts and turning bp into cM.
#include "genetic_map.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <regex>

#include "base/line_reader.h"
#include "base/text_fields.h"
#include "input_error.h"
#include "text_input.h"

namespace {

// Which column holds what; chromosome absent: taken from the file's name.
struct Layout {
  std::optional<size_t> chromosome;
  size_t position = 0;
  size_t cM = 0;
  size_t columns = 0;
  bool header = false;
  std::string name;  // for the report
};

bool isChromosomeName(const std::string& name) {
  return name == "chr" || name == "chrom" || name == "chromosome" || name == "#chrom" ||
         name == "#chr";
}

bool isPositionName(const std::string& name) {
  return name == "bp" || name.rfind("pos", 0) == 0 || name == "physical_position" ||
         name == "base_position" || name == "position(bp)";
}

bool isCMName(const std::string& name) {
  if (name.find("rate") != std::string::npos || name.find("/mb") != std::string::npos) return false;
  return name.find("cm") != std::string::npos || name == "genetic_map" || name == "map" ||
         name == "genetic_pos";
}

std::string joined(const std::vector<std::string_view>& fields) {
  std::string text;
  for (std::string_view f : fields) {
    if (!text.empty()) text.push_back(' ');
    text.append(f);
  }
  return text;
}

// Every data line has at least two numbers (bp and cM); a header has fewer.
bool looksLikeHeader(const std::vector<std::string_view>& fields) {
  size_t numbers = 0;
  for (std::string_view field : fields) numbers += parseWholeDecimal(field) ? 1 : 0;
  return numbers < 2;
}

// The layout a header line names; nothing when it names no position or no cM column.
std::optional<Layout> tryHeader(const std::vector<std::string_view>& fields) {
  Layout layout;
  layout.header = true;
  layout.columns = fields.size();
  std::optional<size_t> position;
  std::optional<size_t> cM;
  for (size_t i = 0; i < fields.size(); ++i) {
    std::string name = lowerCase(fields[i]);
    if (!layout.chromosome && isChromosomeName(name)) {
      layout.chromosome = i;
    } else if (!position && isPositionName(name)) {
      position = i;
    } else if (!cM && isCMName(name)) {
      cM = i;
    }
  }
  if (!position || !cM) return std::nullopt;
  layout.position = *position;
  layout.cM = *cM;
  layout.name = "header '" + joined(fields) + "'";
  return layout;
}

Layout fromHeader(const std::vector<std::string_view>& fields, const std::string& where) {
  std::optional<Layout> layout = tryHeader(fields);
  if (!layout) {
    throw InputError(where + "header '" + joined(fields) +
                     "' names no bp position column or no cM column");
  }
  return *layout;
}

Layout fromColumnCount(size_t columns, const std::string& where) {
  Layout layout;
  layout.columns = columns;
  switch (columns) {
    case 2:
      layout.position = 0;
      layout.cM = 1;
      layout.name = "bp cM (no header)";
      return layout;
    case 3:
      layout.chromosome = 0;
      layout.position = 1;
      layout.cM = 2;
      layout.name = "chromosome bp cM (no header)";
      return layout;
    case 4:
      layout.chromosome = 0;
      layout.cM = 2;
      layout.position = 3;
      layout.name = "PLINK .map: chromosome ID cM bp";
      return layout;
    default:
      throw InputError(where + "found " + std::to_string(columns) +
                       " columns and no header naming them: a map has 3 (chromosome, bp, cM), "
                       "4 (PLINK .map: chromosome, ID, cM, bp) or a header line");
  }
}

// "chr7" or "chrX" in a file name; the last directory part is looked at only.
std::optional<std::string> chromosomeOfFileName(const std::string& path) {
  std::string name = path.substr(path.find_last_of('/') + 1);
  static const std::regex pattern("chr([0-9]+|xy|x|y|mt|m)(?![0-9a-z])", std::regex::icase);
  std::smatch match;
  if (!std::regex_search(name, match, pattern)) return std::nullopt;
  return match[1].str();
}

bool isFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

}  // namespace

void GeneticMap::readFile(const std::string& path, std::optional<std::string> chromosomeName,
                          std::optional<int> autosomeCount, double scale) {
  TextInput input = openTextInput(path, "map file");
  LineReader reader(input.file.get());
  auto where = [&](int64_t line) {
    return "map file " + path + " line " + std::to_string(line) + ": ";
  };
  std::optional<Layout> layout;
  std::string_view line;
  size_t points = 0;
  std::optional<int> lastKey;
  while (reader.next(line)) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<std::string_view> fields = whitespaceFields(line);
    if (fields.empty() || fields[0].front() == '#') {
      if (!layout && fields.size() > 1 && fields[0].size() > 1 && looksLikeHeader(fields)) {
        layout = tryHeader(fields);  // "#chr pos cM"
      }
      continue;
    }
    if (!layout) {
      layout = looksLikeHeader(fields) ? fromHeader(fields, where(reader.lineNumber()))
                                       : fromColumnCount(fields.size(), where(reader.lineNumber()));
      if (layout->header) continue;
    }
    if (fields.size() != layout->columns) {
      throw InputError(where(reader.lineNumber()) + "expected " + std::to_string(layout->columns) +
                       " columns as in the " + layout->name + ", found " +
                       std::to_string(fields.size()));
    }
    std::optional<int64_t> position = parseWholeInteger(fields[layout->position]);
    std::optional<double> cM = parseWholeDecimal(fields[layout->cM]);
    std::string_view name =
        layout->chromosome ? fields[*layout->chromosome] : std::string_view(*chromosomeName);
    if (!layout->chromosome && !chromosomeName) {
      throw InputError("map file " + path +
                       " has no chromosome column and its name holds no "
                       "chromosome (such as ..._chr7...): name it so, or give a pattern with @ "
                       "for the chromosome");
    }
    if (position && *position < 0 && layout->name.rfind("PLINK", 0) == 0) continue;  // excluded
    if (!position || *position < 1) {
      throw InputError(where(reader.lineNumber()) + "position '" +
                       std::string(fields[layout->position]) +
                       "' is not a whole number of bp above 0");
    }
    if (!cM || *cM < 0 || *cM * scale > kLargestCM) {
      throw InputError(where(reader.lineNumber()) + "map value '" +
                       std::string(fields[layout->cM]) + "' is not a number of cM from 0 to " +
                       std::to_string(int(kLargestCM)));
    }
    Chromosome chromosome = classifyChromosome(name, autosomeCount);
    if (chromosome.kind != ChromosomeKind::autosome && chromosome.kind != ChromosomeKind::x) {
      continue;  // chromosomes the import leaves out need no map
    }
    int key = chromosome.sortKey();
    if (lastKey != key) {
      auto [given, fresh] = fileOf_.emplace(key, path);
      if (!fresh) {
        throw InputError(where(reader.lineNumber()) + "chromosome " + std::string(name) +
                         (given->second == path ? " comes in two separate blocks"
                                                : " is also in map file " + given->second));
      }
      lastKey = key;
    }
    std::vector<Point>& chromosomePoints = points_[key];
    if (!chromosomePoints.empty() && chromosomePoints.back().position >= *position) {
      throw InputError(where(reader.lineNumber()) + "positions must ascend along chromosome " +
                       std::string(name));
    }
    double value = *cM * scale;
    if (!chromosomePoints.empty() && chromosomePoints.back().cM > value) {
      throw InputError(where(reader.lineNumber()) + "cM must not decrease along chromosome " +
                       std::string(name));
    }
    chromosomePoints.push_back(Point{*position, value});
    ++points;
  }
  requireEnd(reader.stop(), "map file", path, reader.lineNumber(), reader.limit());
  if (points == 0) throw InputError("map file " + path + " holds no map point");
  layouts_.push_back(path + ": " + (layout ? layout->name : std::string("?")) +
                     (input.gzip ? ", gzip" : "") + ", " + std::to_string(points) + " points");
}

GeneticMap GeneticMap::load(const std::vector<std::string>& paths, std::optional<int> autosomeCount,
                            MapUnits units) {
  GeneticMap map;
  double scale = units == MapUnits::morgans ? 100 : 1;
  for (const std::string& path : paths) {
    size_t at = path.find('@');
    if (at == std::string::npos) {
      map.readFile(path, chromosomeOfFileName(path), autosomeCount, scale);
      continue;
    }
    size_t found = 0;
    std::vector<std::string> names{"X"};
    for (int c = 1; c <= 99; ++c) names.push_back(std::to_string(c));
    for (const std::string& name : names) {
      std::string file = path.substr(0, at);
      file.append(name).append(path, at + 1, std::string::npos);
      if (!isFile(file)) continue;
      map.readFile(file, name, autosomeCount, scale);
      ++found;
    }
    if (found == 0) {
      throw InputError("no map file matches the pattern " + path + " ('@' tried as 1 to 99 and X)");
    }
  }
  return map;
}

std::optional<double> GeneticMap::at(const Chromosome& chromosome, int64_t position) const {
  auto found = points_.find(chromosome.sortKey());
  if (found == points_.end()) return std::nullopt;
  const std::vector<Point>& points = found->second;
  if (position <= points.front().position) return points.front().cM;
  if (position >= points.back().position) return points.back().cM;
  auto above = std::upper_bound(points.begin(), points.end(), position,
                                [](int64_t pos, const Point& p) { return pos < p.position; });
  const Point& hi = *above;
  const Point& lo = *(above - 1);
  double fraction =
      static_cast<double>(position - lo.position) / static_cast<double>(hi.position - lo.position);
  return lo.cM + (hi.cM - lo.cM) * fraction;
}

bool GeneticMap::outsideRange(const Chromosome& chromosome, int64_t position) const {
  auto found = points_.find(chromosome.sortKey());
  if (found == points_.end() || found->second.empty()) return false;
  return position < found->second.front().position || position > found->second.back().position;
}

size_t GeneticMap::pointCount() const {
  size_t count = 0;
  for (const auto& entry : points_) count += entry.second.size();
  return count;
}

MapSource MapSource::fromFiles(const std::vector<std::string>& paths,
                               std::optional<int> autosomeCount, MapUnits units) {
  MapSource source;
  source.origin_ = MapOrigin::mapFile;
  source.units_ = units;
  source.map_ = GeneticMap::load(paths, autosomeCount, units);
  return source;
}

MapSource MapSource::fromInputColumn(MapUnits units) {
  MapSource source;
  source.units_ = units;
  return source;
}

MapSource MapSource::uniform(double cMPerMb) {
  MapSource source;
  source.origin_ = MapOrigin::uniformRate;
  source.cMPerMb_ = cMPerMb;
  return source;
}

std::optional<double> MapSource::cMAt(const Chromosome& chromosome, int64_t position,
                                      std::optional<double> inputCM) const {
  switch (origin_) {
    case MapOrigin::mapFile:
      return map_.at(chromosome, position);
    case MapOrigin::uniformRate:
      return static_cast<double>(position) / 1e6 * cMPerMb_;
    case MapOrigin::inputColumn:
      break;
  }
  if (!inputCM || *inputCM <= 0) return std::nullopt;
  return units_ == MapUnits::morgans ? *inputCM * 100 : *inputCM;
}

std::string MapSource::describe() const {
  std::string unit = units_ == MapUnits::morgans ? ", read in Morgans and multiplied by 100" : "";
  switch (origin_) {
    case MapOrigin::mapFile:
      return std::to_string(map_.layouts().size()) + " map file(s), " +
             std::to_string(map_.chromosomeCount()) + " chromosomes, " +
             std::to_string(map_.pointCount()) +
             " points; linear between points, clamped outside them" + unit;
    case MapOrigin::uniformRate: {
      char rate[64];
      std::snprintf(rate, sizeof rate, "%g", cMPerMb_);
      return std::string("APPROXIMATION: a uniform ") + rate +
             " cM/Mb from bp positions, not a genetic map; RCHH lengths in cM follow the "
             "physical distance only";
    }
    case MapOrigin::inputColumn:
      break;
  }
  return "the cM column of the .bim file" + unit;
}
