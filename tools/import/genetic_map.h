// Genetic map positions (cM) for the imported SNPs. velmora measures conserved
// regions in cM, so every SNP needs one; they come from map files, from the
// input itself (the .bim cM column), or, when the user asks for it, from a
// uniform rate that is only an approximation.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "chromosome.h"

// Largest map value accepted, in cM: far above any chromosome (the longest
// human one is under 300 cM), so that only nonsense is refused.
constexpr double kLargestCM = 100000;

// The unit of a map's values. Morgans are multiplied by 100.
enum class MapUnits { centimorgans, morgans };

// Map files in the layouts they are published in, plain or gzip-compressed:
//   "chromosome bp cM"                       three columns, header optional
//   "pos chr cM"                             shapeit/eagle, with that header
//   "Chromosome Position(bp) Rate(cM/Mb) Map(cM)"   HapMap style, with header
//   "position COMBINED_rate(cM/Mb) Genetic_Map(cM)" one file per chromosome
//   PLINK .map                               chromosome, ID, cM, bp; no header
// A header line is recognised by its names (any order, any case); a file
// without one is read by its column count (3: chromosome, bp, cM; 4: PLINK
// .map; 2: bp, cM). Files without a chromosome column take the chromosome
// from their name ("..._chr7...", or the '@' of a pattern). '#' lines and
// blank lines are skipped. Positions ascend strictly and cM never decreases
// along a chromosome.
class GeneticMap {
 public:
  // One map from `paths`: a single file of every chromosome, or several files.
  // A path holding '@' is a pattern: '@' is tried as 1..99 and X, and every
  // file that exists is read with that chromosome. Throws InputError.
  static GeneticMap load(const std::vector<std::string>& paths, std::optional<int> autosomeCount,
                         MapUnits units);

  // cM at bp `position`, linear between the neighbouring points and clamped to
  // the first or last point outside them; nothing for a chromosome without points.
  std::optional<double> at(const Chromosome& chromosome, int64_t position) const;

  // True when the map has points on `chromosome` and `position` lies beyond
  // its first or last one (at() then clamps).
  bool outsideRange(const Chromosome& chromosome, int64_t position) const;

  size_t pointCount() const;
  size_t chromosomeCount() const { return points_.size(); }
  // The files read and the layout taken from each, for the report.
  const std::vector<std::string>& layouts() const { return layouts_; }

 private:
  struct Point {
    int64_t position;  // bp
    double cM;
  };
  void readFile(const std::string& path, std::optional<std::string> chromosomeName,
                std::optional<int> autosomeCount, double scale);

  std::map<int, std::vector<Point>> points_;  // by Chromosome::sortKey
  std::map<int, std::string> fileOf_;         // which file gave a chromosome
  std::vector<std::string> layouts_;
};

enum class MapOrigin { mapFile, inputColumn, uniformRate };

class MapSource {
 public:
  static MapSource fromFiles(const std::vector<std::string>& paths,
                             std::optional<int> autosomeCount, MapUnits units);
  static MapSource fromInputColumn(MapUnits units);
  static MapSource uniform(double cMPerMb);

  MapOrigin origin() const { return origin_; }
  // cM of a SNP; `inputCM` is the input's own map value, used only for
  // MapOrigin::inputColumn, where 0 (PLINK's "unknown") means no map.
  std::optional<double> cMAt(const Chromosome& chromosome, int64_t position,
                             std::optional<double> inputCM) const;
  // True for a SNP whose cM a map file clamps to the end of its range.
  bool clamped(const Chromosome& chromosome, int64_t position) const {
    return origin_ == MapOrigin::mapFile && map_.outsideRange(chromosome, position);
  }
  // One line for the report and for the analysis file's comment.
  std::string describe() const;
  // The files read and their layouts (map files only), for the report.
  const std::vector<std::string>& layouts() const { return map_.layouts(); }

 private:
  MapOrigin origin_ = MapOrigin::inputColumn;
  MapUnits units_ = MapUnits::centimorgans;
  double cMPerMb_ = 0;
  GeneticMap map_;
};
