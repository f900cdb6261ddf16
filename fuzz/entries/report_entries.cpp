// Fuzz entry of velmora-report's gene reader (GTF, GFF3 or BED, plain or
// gzip). It needs zlib alone, so it is replayed also where velmora-import
// is not built. Its refusals are ReportErrors, a clean stop like velmora's
// own "ERROR: " stops.
#include <zlib.h>

#include <string>

#include "fuzz_entries.h"
#include "report/genes.h"
#include "report/report_error.h"

namespace {

// Bounds small enough for inputs of a few kilobytes (and gzip members that
// expand them) to reach; the name bound is the program's own.
GeneFileLimits fuzzLimits() {
  GeneFileLimits limits;
  limits.lineBytes = 4096;
  limits.genes = 200;
  return limits;
}

constexpr int kXNumber = 23;

struct GeneRead {
  FuzzResult result;
  GeneSet set;
};

GeneRead readOnce(const std::string& path) {
  GeneRead read;
  try {
    read.set = readGenes(path, kXNumber, fuzzLimits());
  } catch (const ReportError& error) {
    read.result.stopped = true;
    read.result.message = std::string("ERROR: ") + error.what();
  }
  return read;
}

bool nameFitsTheTable(const std::string& name, size_t limit) {
  if (name.empty() || name.size() > limit || name == "-" || name == "NA") return false;
  for (unsigned char c : name) {
    if (c <= 0x20 || c == 0x7f || c == ',') return false;
  }
  return true;
}

// What every accepted gene set keeps: genes the table can name, in order,
// within the bounds, and overlap answers that do overlap.
void checkSet(const GeneSet& set) {
  const GeneFileLimits limits = fuzzLimits();
  if (set.format != "GTF" && set.format != "GFF3" && set.format != "BED") fuzzFinding("format");
  if (set.genes.size() > limits.genes) fuzzFinding("more genes than the bound");
  for (size_t i = 0; i < set.genes.size(); ++i) {
    const Gene& gene = set.genes[i];
    if (gene.chromosome < 1 || gene.chromosome > kXNumber) fuzzFinding("chromosome number");
    if (gene.first < 1 || gene.last < gene.first) fuzzFinding("gene interval");
    if (!nameFitsTheTable(gene.name, limits.nameBytes)) fuzzFinding("gene name: " + gene.name);
    if (i > 0) {
      const Gene& before = set.genes[i - 1];
      if (before.chromosome > gene.chromosome ||
          (before.chromosome == gene.chromosome && before.first > gene.first)) {
        fuzzFinding("genes out of order");
      }
    }
  }
  for (const Gene& gene : set.genes) {
    for (const Gene* found : genesOverlapping(set, gene.chromosome, gene.first, gene.first)) {
      if (found->chromosome != gene.chromosome || found->first > gene.first ||
          found->last < gene.first) {
        fuzzFinding("overlap answer outside the window");
      }
    }
  }
}

bool sameSet(const GeneSet& a, const GeneSet& b) {
  if (a.format != b.format || a.skipped != b.skipped || a.genes.size() != b.genes.size()) {
    return false;
  }
  for (size_t i = 0; i < a.genes.size(); ++i) {
    const Gene& x = a.genes[i];
    const Gene& y = b.genes[i];
    if (x.chromosome != y.chromosome || x.first != y.first || x.last != y.last ||
        x.name != y.name) {
      return false;
    }
  }
  return true;
}

}  // namespace

// The input is the gene file. A plain input is also read gzip-compressed, and
// both readings must agree to the byte, refusal messages included.
FuzzResult fuzzGenes(const uint8_t* data, size_t size) {
  const std::string path = writeScratchFile("genes/genes.txt", data, size);
  const GeneRead plain = readOnce(path);
  if (plain.result.stopped) {
    if (plain.result.message.find(path) == std::string::npos) {
      fuzzFinding("a refusal that does not name the file: " + plain.result.message);
    }
  } else {
    checkSet(plain.set);
  }
  const bool gzipped = size >= 2 && data[0] == 0x1f && data[1] == 0x8b;
  if (gzipped) return plain.result;

  gzFile out = gzopen(path.c_str(), "wb");
  if (out == nullptr) fuzzFinding("cannot write " + path);
  if (size > 0 && gzwrite(out, data, static_cast<unsigned>(size)) != static_cast<int>(size)) {
    fuzzFinding("cannot compress into " + path);
  }
  if (gzclose(out) != Z_OK) fuzzFinding("cannot close " + path);
  const GeneRead compressed = readOnce(path);
  if (compressed.result.stopped != plain.result.stopped ||
      compressed.result.message != plain.result.message ||
      (!plain.result.stopped && !sameSet(plain.set, compressed.set))) {
    fuzzFinding("plain and gzip readings differ: " + plain.result.message + " / " +
                compressed.result.message);
  }
  return plain.result;
}
