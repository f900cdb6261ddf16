// Genetic map positions (cM) for the imported SNPs. velmora measures conserved
// regions in cM, so every SNP needs one; they come from a three-column map file,
// from the input itself (the .bim cM column), or, when the user asks for it,
// from a uniform rate that is only an approximation.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "chromosome.h"

// A map file: chromosome, bp position (1-based), cM; whitespace-separated, one
// point a line, '#' comments and one header line allowed. Positions ascend
// strictly and cM never decreases along a chromosome.
class GeneticMap {
 public:
  static GeneticMap load(const std::string& path, std::optional<int> autosomeCount);

  // cM at bp `position`, linear between the neighbouring points and clamped to
  // the first or last point outside them; nothing for a chromosome without points.
  std::optional<double> at(const Chromosome& chromosome, int64_t position) const;

  size_t pointCount() const;

 private:
  struct Point {
    int64_t position;  // bp
    double cM;
  };
  std::map<int, std::vector<Point>> points_;  // by Chromosome::sortKey
};

enum class MapOrigin { mapFile, inputColumn, uniformRate };

class MapSource {
 public:
  static MapSource fromFile(const std::string& path, std::optional<int> autosomeCount);
  static MapSource fromInputColumn();
  static MapSource uniform(double cMPerMb);

  MapOrigin origin() const { return origin_; }
  // cM of a SNP; `inputCM` is the input's own map value, used only for
  // MapOrigin::inputColumn, where 0 (PLINK's "unknown") or less means no map.
  std::optional<double> cMAt(const Chromosome& chromosome, int64_t position,
                             std::optional<double> inputCM) const;
  // One line for the report and for the analysis file's comment.
  std::string describe() const;

 private:
  MapOrigin origin_ = MapOrigin::inputColumn;
  std::string path_;
  double cMPerMb_ = 0;
  GeneticMap map_;
};
