// The genome build of a cohort's positions: told by --build, by the import
// (a VCF's contig lengths), or not at all. A known human build (GRCh37 or
// GRCh38, by any of their usual names) brings its chromosome lengths, for
// telling a gene file of another build, and its browsers' names.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

struct GenomeBuild {
  std::string name;     // "GRCh37", "GRCh38", or the name given when unknown
  std::string ucsc;     // the UCSC browser's database name: hg19, hg38, or `name`
  bool grch37 = false;  // Ensembl keeps GRCh37 on a host of its own
  std::string source;   // where it came from: "--build", "the input", or "assumed"
  // Lengths in bp of chromosomes 1..22 and X (index 22), for a known build.
  std::optional<std::array<int64_t, 23>> lengths;
};

// The build of `name` as users and files write it (GRCh37, hg19, b37, 37;
// GRCh38, hg38, b38, 38; any case); another name is kept as given, without
// lengths. `source` says where the name came from.
GenomeBuild genomeBuildNamed(const std::string& name, const std::string& source);

// --build when given, else what the input told, else GRCh38 assumed.
GenomeBuild chooseGenomeBuild(const std::optional<std::string>& given,
                              const std::optional<std::string>& told);

// Length in bp of velmora's chromosome `number` (X is `xNumber`) in `build`,
// when known.
std::optional<int64_t> chromosomeLength(const GenomeBuild& build, int number, int xNumber);
