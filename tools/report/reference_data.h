// What the report builds in for the known human builds, from the npm package
// ideogram 1.53.0 (CC0-1.0; data/reference/, rebuilt by
// tools/reference/fetch_ideogram_data.sh): cytobands of GRCh38 and GRCh37
// for the genome view's ideograms, and GRCh38's genes (Ensembl 110) for
// runs without --genes.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "genes.h"
#include "genome_build.h"

struct Cytoband {
  int64_t first = 0, last = 0;  // bp, as the source gives them
  std::string name;             // p36.33, q11.2, ...
  std::string stain;            // gneg, gpos25 .. gpos100, acen, gvar, stalk
};

// Bands per velmora chromosome number (X as `xNumber`) of a known build;
// empty for any other.
std::map<int, std::vector<Cytoband>> cytobandsOf(const GenomeBuild& build, int xNumber);

// The built-in gene set of `build` (GRCh38 only), with what it is in words
// for the page; none for another build.
struct BuiltInGenes {
  GeneSet genes;
  std::string label;
};
std::optional<BuiltInGenes> builtInGenes(const GenomeBuild& build, int xNumber);
