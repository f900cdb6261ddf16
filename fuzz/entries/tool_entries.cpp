// Fuzz entries of the companion programs' readers: velmora-import's map
// files (every layout, plain or gzip), PLINK filesets with a sample list,
// VCF/BCF input through htslib, and velmora-tracks' start/end lists. Their
// faults are exceptions with a message, which the entries turn into the same
// verdict as velmora's own stops.
#include <cmath>
#include <stdexcept>
#include <string>

#include "chromosome.h"
#include "fuzz_entries.h"
#include "genetic_map.h"
#include "input_error.h"
#include "plink_source.h"
#include "pools.h"
#include "start_end_list.h"
#include "vcf_source.h"

namespace {

// A fault reported as InputError or std::runtime_error is a clean stop; any
// other escape (bad_alloc included) reaches the fuzzer as a finding.
template <class Read>
FuzzResult runTool(Read&& read) {
  FuzzResult result;
  try {
    read();
  } catch (const std::runtime_error& error) {
    result.stopped = true;
    result.message = std::string("ERROR: ") + error.what();
  }
  return result;
}

// Input: first byte chooses the file name (bit 0: a name with a chromosome,
// so the per-chromosome layouts apply), the units (bit 1) and a PLINK
// autosome count (bit 2); the rest is the map file.
FuzzResult fuzzMap(const uint8_t* data, size_t size) {
  if (size == 0) return FuzzResult{};
  const uint8_t flags = data[0];
  const std::string name = (flags & 1) ? "genetic_map_chr7.txt" : "map.txt";
  const std::string path = writeScratchFile("map/" + name, data + 1, size - 1);
  return runTool([&] {
    std::optional<int> autosomes = (flags & 4) ? std::optional<int>(22) : std::nullopt;
    GeneticMap map = GeneticMap::load({path}, autosomes,
                                      (flags & 2) ? MapUnits::morgans : MapUnits::centimorgans);
    for (int c = 1; c <= 23; ++c) {
      Chromosome chromosome{c == 23 ? ChromosomeKind::x : ChromosomeKind::autosome,
                            c == 23 ? 0 : c};
      for (int64_t bp : {int64_t{1}, int64_t{12345}, int64_t{99999999}, int64_t{1} << 40}) {
        std::optional<double> cM = map.at(chromosome, bp);
        if (cM && !(std::isfinite(*cM) && *cM >= 0 && *cM <= kLargestCM)) fuzzFinding("map value");
      }
    }
  });
}

// Input: "set.fam", "set.bim", "list.txt" and "set.bed" cut at the first
// three "\n==\n" separators (missing parts are empty).
FuzzResult fuzzPlink(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string parts[4];
  size_t at = 0;
  for (int i = 0; i < 3; ++i) {
    size_t cut = text.find("\n==\n", at);
    if (cut == std::string::npos) {
      parts[i] = text.substr(at);
      at = text.size();
      continue;
    }
    parts[i] = text.substr(at, cut + 1 - at);
    at = cut + 4;
  }
  parts[3] = text.substr(std::min(at, text.size()));
  writeScratchFile("plink/set.fam", parts[0]);
  writeScratchFile("plink/set.bim", parts[1]);
  const std::string list = writeScratchFile("plink/list.txt", parts[2]);
  writeScratchFile("plink/set.bed", parts[3]);
  return runTool([&] {
    std::unique_ptr<VariantSource> source = openPlink(scratchPath("plink/set"));
    const size_t samples = source->samples().size();
    Pools pools = assignPools(source->samples(), source->hasPhenotypes(), list, std::nullopt);
    for (size_t i : pools.patients) {
      if (i >= samples) fuzzFinding("pool member beyond the samples");
    }
    VariantRecord record;
    std::vector<Call> calls;
    while (source->next(record)) {
      source->calls(calls);
      if (calls.size() != samples) fuzzFinding("calls per record");
    }
  });
}

// Input: a VCF or BCF file, plain, gzip or bgzip, as htslib detects it; the
// VCF line bound kept small so that inputs can reach it.
FuzzResult fuzzVcf(const uint8_t* data, size_t size) {
  const std::string path = writeScratchFile("vcf/in.vcf", data, size);
  return runTool([&] {
    std::unique_ptr<VariantSource> source = openVcf(path, 1 << 14);
    const size_t samples = source->samples().size();
    (void)source->genomeBuild();
    VariantRecord record;
    std::vector<Call> calls;
    while (source->next(record)) {
      // A record without alleles (REF missing) is skipped as having no alternative.
      source->calls(calls);
      if (calls.size() != samples) fuzzFinding("calls per record");
      for (Call call : calls) {
        if (static_cast<unsigned>(call) > 3) fuzzFinding("call code");
      }
    }
  });
}

// Input: a start/end list; line bound kept small so that each run is quick.
FuzzResult fuzzList(const uint8_t* data, size_t size) {
  const std::string path = writeScratchFile("list/HH_list.txt", data, size);
  return runTool([&] {
    StartEndList list = readStartEndList(path, 1 << 14);
    for (const Segment& segment : list.segments) {
      if (segment.first < 1 || segment.last < segment.first ||
          segment.last > kLargestListPosition || segment.chromosome < 1 ||
          segment.chromosome > kLargestListChromosome) {
        fuzzFinding("segment outside the list's bounds");
      }
    }
  });
}

}  // namespace

FuzzResult fuzzImportMap(const uint8_t* data, size_t size) {
  return fuzzMap(data, size);
}
FuzzResult fuzzImportPlink(const uint8_t* data, size_t size) {
  return fuzzPlink(data, size);
}
FuzzResult fuzzImportVcf(const uint8_t* data, size_t size) {
  return fuzzVcf(data, size);
}
FuzzResult fuzzTracksList(const uint8_t* data, size_t size) {
  return fuzzList(data, size);
}
