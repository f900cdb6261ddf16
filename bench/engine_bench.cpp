// The all-pairs engine alone on one synthetic chromosome shaped like
// chromosome 1 of the large benchmark cohort: about 48 000 SNPs over 248 Mb
// with a centromere gap and a few SNP deserts, about 1.2 cM/Mb with rate
// variation, allele frequencies 0.05-0.95, 1 % no-calls, autozygous stretches
// in every subject and a founder stretch most of them share. Cutoff 2 cM.
//
// Arguments: SNPs, subjects (and threads for the fast engine), so smaller
// slots run with e.g. --benchmark_filter=/12000/100/. The pair loop prints
// its progress lines on standard error; run with 2>/dev/null for a clean table.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "genome/model.h"
#include "hh/engine_options.h"
#include "hh/hh.h"
#include "hh/packed_scan.h"
#include "hh/packed_slot.h"

namespace {

constexpr double kCutoff = 2.0;  // cM

struct Chromosome {
  int64_t snps = 0;
  int subjects = 0;
  std::string dir;  // scratch directory of the temporary pair file
};

Chromosome current;

// SNP positions (bp): even spacing with jitter, a 3 Mb centromere gap and four
// deserts of 350-800 kb; map (cM): 1.2 cM/Mb scaled per megabase by a factor
// between 0.1 and 3.
void buildSlot(std::mt19937_64& rng, int64_t snps) {
  const double length = 248e6;  // bp
  std::vector<double> bp;
  std::uniform_real_distribution<double> jitter(-0.4, 0.4), unit(0.0, 1.0);
  std::vector<std::pair<double, double>> holes = {{121e6, 124e6}};
  for (int d = 0; d < 4; ++d) {
    const double at = 10e6 + unit(rng) * 220e6;
    holes.push_back({at, at + 350e3 + unit(rng) * 450e3});
  }
  double open = length;
  for (const auto& h : holes) open -= h.second - h.first;
  const double spacing = open / static_cast<double>(snps);
  double cursor = 50000;
  while (static_cast<int64_t>(bp.size()) < snps) {
    cursor += spacing * (1 + jitter(rng));
    for (const auto& h : holes) {
      if (cursor >= h.first && cursor < h.second) cursor = h.second;
    }
    bp.push_back(cursor);
  }
  std::vector<double> rate(static_cast<size_t>(length / 1e6) + 2);
  std::gamma_distribution<double> variation(1.5, 1 / 1.5);
  for (double& r : rate) r = 1.2 * std::clamp(variation(rng), 0.1, 3.0);  // cM/Mb
  double map = 0.01, previous = 0;
  genome.sumSNP.resize(static_cast<size_t>(snps) + 1);  // + one X SNP
  for (int64_t k = 0; k < snps; ++k) {
    const double at = bp[static_cast<size_t>(k)];
    map += (at - previous) / 1e6 * rate[static_cast<size_t>(at / 1e6)];
    previous = at;
    SNPRecord& r = genome.sumSNP[static_cast<size_t>(k)];
    r.chr = 1;
    r.position = static_cast<int64_t>(at);
    r.genetMap = map;
    r.freqA = static_cast<float>(0.05 + 0.9 * unit(rng));
    r.tableIndex = k;
  }
  SNPRecord& x = genome.sumSNP[static_cast<size_t>(snps)];
  x.chr = 2;
  x.position = 1000;
  x.genetMap = 1;
  x.tableIndex = snps;
}

int drawHomozygote(std::mt19937_64& rng, double freqA) {
  return std::uniform_real_distribution<double>(0, 1)(rng) < freqA ? GTYPE_AA : GTYPE_BB;
}

// Random calls in Hardy-Weinberg proportions, then three autozygous stretches
// per subject, and for 70 % of the subjects the founder haplotype around
// 60 % of the chromosome, homozygous over 6-14 Mb.
void buildCalls(std::mt19937_64& rng, int64_t snps, int subjects) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<int> founder(static_cast<size_t>(snps));
  for (int64_t k = 0; k < snps; ++k)
    founder[static_cast<size_t>(k)] = drawHomozygote(rng, genome.sumSNP[k].freqA);
  const int64_t founderCentre = snps * 6 / 10;
  for (int st = 0; st < subjects; ++st) {
    int64_t calls = 0;
    std::vector<int> code(static_cast<size_t>(snps));
    for (int64_t k = 0; k < snps; ++k) {
      const double p = genome.sumSNP[k].freqA, u = unit(rng);
      int c = u < p * p ? GTYPE_AA : u < p * p + (1 - p) * (1 - p) ? GTYPE_BB : GTYPE_AB;
      if (unit(rng) < 0.01) c = GTYPE_NONE;
      code[static_cast<size_t>(k)] = c;
    }
    for (int stretch = 0; stretch < 3; ++stretch) {
      const int64_t first = static_cast<int64_t>(unit(rng) * static_cast<double>(snps));
      const int64_t last = std::min(snps, first + 300 + static_cast<int64_t>(unit(rng) * 1500));
      for (int64_t k = first; k < last; ++k)
        code[static_cast<size_t>(k)] = drawHomozygote(rng, genome.sumSNP[k].freqA);
    }
    if (unit(rng) < 0.7) {
      const int64_t half = static_cast<int64_t>((0.5 + unit(rng)) * static_cast<double>(snps) / 40);
      for (int64_t k = std::max<int64_t>(0, founderCentre - half);
           k < std::min(snps, founderCentre + half); ++k) {
        code[static_cast<size_t>(k)] = founder[static_cast<size_t>(k)];
      }
    }
    for (int64_t k = 0; k < snps; ++k) {
      putGType(genome.sumSNP[k].gType[0], static_cast<uint64_t>(st), code[static_cast<size_t>(k)]);
      if (code[static_cast<size_t>(k)] != GTYPE_NONE) ++calls;
    }
    genome.nEffectiveSNP[0][static_cast<size_t>(st)] = calls;
  }
}

// Builds the chromosome (once per size) with its pass storage and slot scratch.
void prepare(int64_t snps, int subjects) {
  if (current.snps == snps && current.subjects == subjects) return;
  if (current.snps != 0) {
    releaseSlotScratch(0);
    std::filesystem::remove_all(current.dir);
  }
  resetModel();
  std::mt19937_64 rng(20240611);
  current = Chromosome{snps, subjects, ""};
  current.dir = (std::filesystem::temp_directory_path() /
                 ("velmora-engine-bench-" + std::to_string(rng() % 1000000)))
                    .string() +
                "/";
  std::filesystem::create_directories(current.dir);
  settings.outputFilePath = current.dir;
  settings.noTgPool[0] = subjects;
  settings.threshold = kCutoff;
  for (int st = 0; st < subjects; ++st)
    settings.stFile[0].push_back("/data/P" + std::to_string(st + 1) + ".txt");
  buildSlot(rng, snps);
  genome.lastChromosome = 2;
  genome.chrPosition = {0, snps, snps + 1};
  genome.totalAnnotationDataCount = snps + 1;
  genome.totalGenetDistanceWOX =
      genome.sumSNP[static_cast<size_t>(snps - 1)].genetMap - genome.sumSNP[0].genetMap;
  genome.averageMajorAlleleFrequencyWOX = 0.7;
  allocateGTypes();
  genome.nEffectiveSNP[0].assign(static_cast<size_t>(subjects) + 1, 0);
  buildCalls(rng, snps, subjects);
  genome.includeRegion[0] = Region{0, snps - 1};
  genome.noRegions = 1;
  pass.maxOverlapChr.assign(1, 0);
  pass.targetSt[0].assign(static_cast<size_t>(subjects), 1);
  pass.tempFile.assign(1, std::fopen((current.dir + "tempFile000.txt").c_str(), "w"));
  attachSlotScratch(0, 0, subjects + 1, subjects);
}

// All pairs of the slot with rows, counters and levels (mode 0: no summary file).
void runPairLoop(benchmark::State& state, bool reference, int threads) {
  const int64_t snps = state.range(0);
  const int subjects = static_cast<int>(state.range(1));
  prepare(snps, subjects);
  setReferenceEngine(reference);
  setEngineThreads(threads);
  for (auto _ : state) {
    std::rewind(pass.tempFile[0]);  // the file keeps the size of one loop
    countRCHHSharedByMultiplePatients(0, subjects, 0, 0);
  }
  setReferenceEngine(false);
  setEngineThreads(0);
  const double pairs = static_cast<double>(subjects) * (subjects - 1) / 2;
  state.counters["pairs/s"] =
      benchmark::Counter(pairs, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["max level"] = pass.maxOverlapChr[0];
}

void BM_StraightforwardEngine(benchmark::State& state) {
  runPairLoop(state, true, 1);
}

void BM_FastEngine(benchmark::State& state) {
  runPairLoop(state, false, static_cast<int>(state.range(2)));
}

// The bit-parallel scan of every pair alone: no rows, no counters.
void BM_PackedScanOnly(benchmark::State& state) {
  const int64_t snps = state.range(0);
  const int subjects = static_cast<int>(state.range(1));
  prepare(snps, subjects);
  std::vector<int64_t> position(static_cast<size_t>(snps));
  std::vector<double> map(static_cast<size_t>(snps));
  std::vector<const uint8_t*> rows(static_cast<size_t>(snps));
  for (int64_t k = 0; k < snps; ++k) {
    position[static_cast<size_t>(k)] = genome.sumSNP[k].position;
    map[static_cast<size_t>(k)] = genome.sumSNP[k].genetMap;
    rows[static_cast<size_t>(k)] = genome.sumSNP[k].unpackedGType;
  }
  PackedSlot slot;
  packSlotMap(position.data(), map.data(), snps, kCutoff, settings.largeGap, slot);
  packSlotCalls(rows.data(), subjects, slot);
  std::vector<CoverRun> cover;
  for (auto _ : state) {
    double total = 0;
    for (int a = 0; a < subjects - 1; ++a) {
      for (int b = a + 1; b < subjects; ++b) {
        cover.clear();
        total += scanPackedPair(slot, a, b, kCutoff, cover).cMConserved;
      }
    }
    benchmark::DoNotOptimize(total);
  }
  const double pairs = static_cast<double>(subjects) * (subjects - 1) / 2;
  state.counters["pairs/s"] =
      benchmark::Counter(pairs, benchmark::Counter::kIsIterationInvariantRate);
}

const int kHardware = std::max(1u, std::thread::hardware_concurrency());

BENCHMARK(BM_StraightforwardEngine)
    ->Args({48000, 300})
    ->Args({12000, 100})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FastEngine)
    ->Args({48000, 300, 1})
    ->Args({48000, 300, kHardware})
    ->Args({12000, 100, 1})
    ->Args({12000, 100, kHardware})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PackedScanOnly)->Args({48000, 300})->Args({12000, 100})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
