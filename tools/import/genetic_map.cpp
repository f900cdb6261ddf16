// Reading map files and turning bp positions into cM.
#include "genetic_map.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "input_error.h"
#include "text_fields.h"

namespace {

std::string where(const std::string& path, int64_t line) {
  return "map file " + path + " line " + std::to_string(line) + ": ";
}

}  // namespace

GeneticMap GeneticMap::load(const std::string& path, std::optional<int> autosomeCount) {
  std::ifstream in(path);
  if (!in) throw InputError("cannot open map file " + path);
  GeneticMap map;
  LineReader reader(in);
  std::string line;
  bool seenData = false;
  while (reader.next(line)) {
    std::vector<std::string_view> fields = whitespaceFields(line);
    if (fields.empty() || fields[0].front() == '#') continue;
    if (fields.size() != 3) {
      throw InputError(where(path, reader.lineNumber()) + "expected 3 columns (chromosome, " +
                       "position in bp, cM), found " + std::to_string(fields.size()));
    }
    std::optional<int64_t> position = parseInteger(fields[1]);
    std::optional<double> cM = parseDecimal(fields[2]);
    if (!seenData && !position && !parseDecimal(fields[1])) {
      seenData = true;  // a header line such as "chromosome position cM"
      continue;
    }
    seenData = true;
    if (!position || *position < 1) {
      throw InputError(where(path, reader.lineNumber()) + "position '" + std::string(fields[1]) +
                       "' is not a whole number of bp above 0");
    }
    if (!cM || *cM < 0) {
      throw InputError(where(path, reader.lineNumber()) + "map value '" + std::string(fields[2]) +
                       "' is not a number of cM at or above 0");
    }
    Chromosome chromosome = classifyChromosome(fields[0], autosomeCount);
    if (chromosome.kind != ChromosomeKind::autosome && chromosome.kind != ChromosomeKind::x) {
      continue;  // chromosomes the import leaves out need no map
    }
    std::vector<Point>& points = map.points_[chromosome.sortKey()];
    if (!points.empty() && points.back().position >= *position) {
      throw InputError(where(path, reader.lineNumber()) + "positions must ascend along chromosome " +
                       std::string(fields[0]));
    }
    if (!points.empty() && points.back().cM > *cM) {
      throw InputError(where(path, reader.lineNumber()) + "cM must not decrease along chromosome " +
                       std::string(fields[0]));
    }
    points.push_back(Point{*position, *cM});
  }
  if (in.bad()) throw InputError("cannot read map file " + path);
  if (map.points_.empty()) throw InputError("map file " + path + " holds no map point");
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
  double fraction = static_cast<double>(position - lo.position) /
                    static_cast<double>(hi.position - lo.position);
  return lo.cM + (hi.cM - lo.cM) * fraction;
}

size_t GeneticMap::pointCount() const {
  size_t count = 0;
  for (const auto& entry : points_) count += entry.second.size();
  return count;
}

MapSource MapSource::fromFile(const std::string& path, std::optional<int> autosomeCount) {
  MapSource source;
  source.origin_ = MapOrigin::mapFile;
  source.path_ = path;
  source.map_ = GeneticMap::load(path, autosomeCount);
  return source;
}

MapSource MapSource::fromInputColumn() { return MapSource{}; }

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
  return inputCM;
}

std::string MapSource::describe() const {
  switch (origin_) {
    case MapOrigin::mapFile:
      return "map file " + path_ + " (" + std::to_string(map_.pointCount()) +
             " points; linear between points, clamped outside them)";
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
  return "the cM column of the .bim file";
}
