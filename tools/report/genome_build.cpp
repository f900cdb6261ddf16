// Known human builds and their chromosome lengths (UCSC's chrom.sizes).
#include "genome_build.h"

#include "base/text_fields.h"

namespace {

constexpr std::array<int64_t, 23> kGrch37{
    249250621, 243199373, 198022430, 191154276, 180915260, 171115067, 159138663, 146364022,
    141213431, 135534747, 135006516, 133851895, 115169878, 107349540, 102531392, 90354753,
    81195210,  78077248,  59128983,  63025520,  48129895,  51304566,  155270560};
constexpr std::array<int64_t, 23> kGrch38{
    248956422, 242193529, 198295559, 190214555, 181538259, 170805979, 159345973, 145138636,
    138394717, 133797422, 135086622, 133275309, 114364328, 107043718, 101991189, 90338345,
    83257441,  80373285,  58617616,  64444167,  46709983,  50818468,  156040895};

}  // namespace

GenomeBuild genomeBuildNamed(const std::string& name, const std::string& source) {
  const std::string key = lowerCase(name);
  GenomeBuild build;
  build.source = source;
  if (key == "grch37" || key == "hg19" || key == "b37" || key == "37") {
    build.name = "GRCh37";
    build.ucsc = "hg19";
    build.grch37 = true;
    build.lengths = kGrch37;
  } else if (key == "grch38" || key == "hg38" || key == "b38" || key == "38") {
    build.name = "GRCh38";
    build.ucsc = "hg38";
    build.lengths = kGrch38;
  } else {
    build.name = name;
    build.ucsc = name;
  }
  return build;
}

GenomeBuild chooseGenomeBuild(const std::optional<std::string>& given,
                              const std::optional<std::string>& told) {
  if (given) return genomeBuildNamed(*given, "--build");
  if (told) return genomeBuildNamed(*told, "the input");
  return genomeBuildNamed("GRCh38", "assumed");
}

std::optional<int64_t> chromosomeLength(const GenomeBuild& build, int number, int xNumber) {
  if (!build.lengths) return std::nullopt;
  if (number == xNumber) return (*build.lengths)[22];
  if (number < 1 || number > 22) return std::nullopt;
  return (*build.lengths)[static_cast<size_t>(number - 1)];
}
