// bench-gen: writes a deterministic synthetic cohort for benchmarking velmora
// and PLINK 1.9 on the same data. See bench/README.md.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "cohort.h"
#include "panel.h"
#include "plink_files.h"
#include "velmora_files.h"

namespace {

constexpr const char* kUsage =
    "Usage: bench-gen --snps N --patients P --controls C --seed S --out DIR\n"
    "                 [--null 1] [--error RATE]\n"
    "Writes into DIR: annotation.txt, genotypes/*.txt (one file per subject),\n"
    "analysis_two_pools.txt, analysis_patients_only.txt, cohort.ped/.map,\n"
    "cohort.bed/.bim/.fam and cohort.info (written last).\n";

struct Options {
  std::uint64_t snps = 0;
  std::uint64_t patients = 0;
  std::uint64_t controls = 0;
  std::uint64_t seed = 1;
  std::string out;
  bool exchangeable = false;  // --null 1: no founder, controls drawn like patients
  double errorRate = 0.0;     // --error RATE: share of calls miscalled (0 to 0.2)
};

std::uint64_t parseCount(const char* name, const char* text) {
  std::uint64_t value = 0;
  const char* end = text + std::strlen(text);
  auto [ptr, ec] = std::from_chars(text, end, value);
  if (ec != std::errc() || ptr != end)
    throw std::runtime_error(std::string("bad value for ") + name + ": " + text);
  return value;
}

Options parseOptions(int argc, char** argv) {
  Options o;
  bool seen[5] = {};
  for (int i = 1; i < argc; ++i) {
    std::string flag = argv[i];
    if (i + 1 >= argc) throw std::runtime_error("missing value after " + flag);
    const char* value = argv[++i];
    if (flag == "--snps")
      o.snps = parseCount("--snps", value), seen[0] = true;
    else if (flag == "--patients")
      o.patients = parseCount("--patients", value), seen[1] = true;
    else if (flag == "--controls")
      o.controls = parseCount("--controls", value), seen[2] = true;
    else if (flag == "--seed")
      o.seed = parseCount("--seed", value), seen[3] = true;
    else if (flag == "--out")
      o.out = value, seen[4] = true;
    else if (flag == "--error") {
      char* end = nullptr;
      o.errorRate = std::strtod(value, &end);
      if (end == value || *end != '\0' || !(o.errorRate >= 0.0 && o.errorRate <= 0.2))
        throw std::runtime_error(std::string("--error needs a share from 0 to 0.2, not ") + value);
    } else if (flag == "--null")
      o.exchangeable = parseCount("--null", value) != 0;
    else
      throw std::runtime_error("unknown option " + flag);
  }
  for (bool s : seen)
    if (!s) throw std::runtime_error("every option but --null and --error is required");
  // Each chromosome needs a few SNPs and the rs ID space holds 2^27 of them.
  if (o.snps < 1000 || o.snps > (1u << 27))
    throw std::runtime_error("--snps must be between 1000 and 134217728");
  if (o.patients < 2) throw std::runtime_error("--patients must be at least 2");
  return o;
}

void generate(const Options& o) {
  namespace fs = std::filesystem;
  fs::create_directories(o.out);
  std::string dir = fs::absolute(o.out).lexically_normal().string();
  if (dir.back() != '/') dir += '/';
  fs::remove(dir + "cohort.info");  // its presence marks a complete cohort
  fs::create_directories(dir + "genotypes");
  fs::create_directories(dir + "out_two_pools");
  fs::create_directories(dir + "out_patients_only");

  using namespace benchgen;
  Panel panel = buildPanel(o.snps, o.seed);
  Cohort cohort = planCohort(panel, o.patients, o.controls, o.seed, o.exchangeable);
  cohort.errorRate = o.errorRate;
  writeAnnotation(panel, dir + "annotation.txt");
  writeMapFiles(panel, dir + "cohort");
  writeFam(cohort, dir + "cohort.fam");
  writeAnalysisFiles(cohort, dir);

  LineOrders orders = makeLineOrders(panel.snps.size(), o.seed);
  PackedCalls packed(cohort.subjects.size(), panel.snps.size());
  PedWriter ped(dir + "cohort.ped");
  std::uint64_t noCalls = 0;
  for (std::size_t i = 0; i < cohort.subjects.size(); ++i) {
    const Subject& s = cohort.subjects[i];
    std::vector<std::uint8_t> calls = generateCalls(panel, cohort, i, o.seed);
    for (std::uint8_t c : calls) noCalls += c == kNoCall;
    writeGenotypeFile(panel, s, calls, orders, o.seed, dir + "genotypes/" + s.name + ".txt");
    ped.add(panel, s, calls);
    packed.store(i, calls);
  }
  ped.close();
  writeBed(packed, cohort.subjects.size(), panel.snps.size(), dir + "cohort.bed");
  double share = static_cast<double>(noCalls) /
                 static_cast<double>(panel.snps.size() * cohort.subjects.size());
  writeInfo(panel, cohort, o.seed, share, dir + "cohort.info");
}

}  // namespace

int main(int argc, char** argv) {
  try {
    generate(parseOptions(argc, argv));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench-gen: %s\n%s", e.what(), kUsage);
    return 1;
  }
  return 0;
}
