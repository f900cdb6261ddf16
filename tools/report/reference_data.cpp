// Reading the built-in reference data compiled into the program.
#include "reference_data.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "base/safe_file.h"
#include "report_error.h"

extern const std::string kAsset_cytobands_GRCh38_tsv;
extern const std::string kAsset_cytobands_GRCh37_tsv;
extern const std::string kAsset_genes_GRCh38_bed_gz;

std::map<int, std::vector<Cytoband>> cytobandsOf(const GenomeBuild& build, int xNumber) {
  std::map<int, std::vector<Cytoband>> bands;
  const std::string* text = build.name == "GRCh38"   ? &kAsset_cytobands_GRCh38_tsv
                            : build.name == "GRCh37" ? &kAsset_cytobands_GRCh37_tsv
                                                     : nullptr;
  if (text == nullptr) return bands;
  std::istringstream in(*text);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string chromosome;
    Cytoband band;
    if (!(fields >> chromosome >> band.first >> band.last >> band.name >> band.stain)) continue;
    const int number = chromosome == "X" ? xNumber : std::atoi(chromosome.c_str());
    if (number > 0) bands[number].push_back(band);
  }
  return bands;
}

std::optional<BuiltInGenes> builtInGenes(const GenomeBuild& build, int xNumber) {
  if (build.name != "GRCh38") return std::nullopt;
  // The gene reader opens a path: the compressed table is handed to it as an
  // unnamed in-memory file.
  const int fd = ::memfd_create("genes_GRCh38.bed.gz", MFD_CLOEXEC);
  if (fd < 0)
    throw ReportError(std::string("cannot unpack the built-in genes: ") + std::strerror(errno));
  struct Close {
    int fd;
    ~Close() { ::close(fd); }
  } close{fd};
  const std::string& bytes = kAsset_genes_GRCh38_bed_gz;
  if (!writeWhole(fd, bytes.data(), bytes.size()))
    throw ReportError(std::string("cannot unpack the built-in genes: ") + std::strerror(errno));
  BuiltInGenes built;
  built.genes = readGenes("/proc/self/fd/" + std::to_string(fd), xNumber);
  built.label = "built in: GRCh38 genes of Ensembl 110 (npm package ideogram 1.53.0), " +
                std::to_string(built.genes.genes.size()) + " genes";
  return built;
}
