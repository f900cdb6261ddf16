// Builds the SNP panel: where the SNPs sit, their genetic map, frequencies,
// alleles and rs IDs. Positions follow a chip-like grid with jitter, so the
// only gaps over 300 kb are the centromeres and the deserts placed on purpose.
#include "panel.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "rng.h"

namespace benchgen {
namespace {

struct ChromosomeShape {
  double lengthMb;
  double gapFromMb;  // centromere and heterochromatin without SNPs
  double gapToMb;
  bool acrocentric;  // no SNPs on the short arm: the panel starts at gapToMb
};

// Lengths and centromere regions close to the human reference; 1, 9 and 16
// carry their large heterochromatin blocks, 13-15, 21 and 22 are acrocentric.
constexpr std::array<ChromosomeShape, 23> kShapes{{
    {249.25, 121.5, 142.6, false}, {243.20, 90.5, 96.0, false}, {198.02, 87.9, 93.9, false},
    {191.15, 48.2, 52.7, false},   {180.92, 46.1, 50.8, false}, {171.12, 58.5, 62.6, false},
    {159.14, 58.1, 62.0, false},   {146.36, 43.1, 48.1, false}, {141.21, 47.3, 65.9, false},
    {135.53, 38.0, 42.3, false},   {135.01, 51.6, 55.7, false}, {133.85, 33.3, 38.2, false},
    {115.17, 0.0, 19.1, true},     {107.35, 0.0, 19.2, true},   {102.53, 0.0, 20.1, true},
    {90.35, 35.3, 46.4, false},    {81.20, 22.2, 25.3, false},  {78.08, 15.4, 19.0, false},
    {59.13, 24.4, 28.6, false},    {63.03, 25.6, 29.5, false},  {48.13, 0.0, 14.4, true},
    {51.30, 0.0, 16.1, true},      {155.27, 58.1, 61.7, false},
}};

// Slightly above 1.2 so that the spans between the first and last SNP of the
// autosomes, which leave out telomeres and acrocentric short arms, total
// about 3 500 cM.
constexpr double kCmPerMb = 1.25;
constexpr double kTelomereMb = 0.05;
constexpr double kMapBinMb = 0.25;

struct Interval {
  double fromMb;
  double toMb;
};

// Arms of a chromosome with the deserts cut out.
std::vector<Interval> usableIntervals(const ChromosomeShape& shape, Rng& rng,
                                      std::int64_t& deserts) {
  std::vector<Interval> arms;
  if (!shape.acrocentric) arms.push_back({kTelomereMb, shape.gapFromMb});
  arms.push_back({shape.gapToMb, shape.lengthMb - kTelomereMb});

  // A few deserts of 0.35 to 1.2 Mb: one per 100 Mb, plus one by chance.
  int count = static_cast<int>(shape.lengthMb / 100.0) + (rng.chance(0.4) ? 1 : 0);
  std::vector<Interval> cuts;
  for (int i = 0; i < count; ++i) {
    double width = rng.uniform(0.35, 1.2);
    const Interval& arm = arms[rng.below(arms.size())];
    if (arm.toMb - arm.fromMb < width + 4.0) continue;
    double from = rng.uniform(arm.fromMb + 1.0, arm.toMb - 1.0 - width);
    cuts.push_back({from, from + width});
  }
  std::sort(cuts.begin(), cuts.end(),
            [](const Interval& a, const Interval& b) { return a.fromMb < b.fromMb; });

  std::vector<Interval> result;
  for (const Interval& arm : arms) {
    double from = arm.fromMb;
    for (const Interval& cut : cuts) {
      if (cut.fromMb < from || cut.toMb > arm.toMb) continue;
      result.push_back({from, cut.fromMb});
      from = cut.toMb;
      ++deserts;
    }
    result.push_back({from, arm.toMb});
  }
  return result;
}

// SNP counts proportional to chromosome length, summing to exactly `total`.
std::array<std::size_t, 23> snpCounts(std::size_t total) {
  double genome = 0.0;
  for (const ChromosomeShape& s : kShapes) genome += s.lengthMb;
  std::array<std::size_t, 23> counts{};
  std::size_t assigned = 0;
  for (std::size_t c = 0; c < kShapes.size(); ++c) {
    counts[c] = std::max<std::size_t>(
        2, static_cast<std::size_t>(static_cast<double>(total) * kShapes[c].lengthMb / genome));
    assigned += counts[c];
  }
  if (assigned < total) counts[0] += total - assigned;
  // Rounding up small chromosomes to 2 can overshoot a tiny total by a few.
  for (std::size_t c = 0; assigned > total && c < counts.size(); ++c) {
    std::size_t take = std::min(assigned - total, counts[c] - 2);
    counts[c] -= take;
    assigned -= take;
  }
  return counts;
}

// Positions on a jittered grid over the usable intervals, strictly increasing.
std::vector<std::int64_t> placeSnps(const std::vector<Interval>& intervals, std::size_t count,
                                    Rng& rng) {
  double usable = 0.0;
  for (const Interval& iv : intervals) usable += iv.toMb - iv.fromMb;
  double spacing = usable / static_cast<double>(count);
  std::vector<std::int64_t> positions;
  positions.reserve(count);
  std::size_t k = 0;
  double before = 0.0;  // usable Mb in the intervals before k
  for (std::size_t i = 0; i < count; ++i) {
    double v = (static_cast<double>(i) + 0.5 + 0.8 * (rng.uniform() - 0.5)) * spacing;
    while (k + 1 < intervals.size() && v >= before + (intervals[k].toMb - intervals[k].fromMb)) {
      before += intervals[k].toMb - intervals[k].fromMb;
      ++k;
    }
    auto bp = static_cast<std::int64_t>(std::llround((intervals[k].fromMb + (v - before)) * 1e6));
    if (!positions.empty() && bp <= positions.back()) bp = positions.back() + 1;
    positions.push_back(std::max<std::int64_t>(bp, 1));
  }
  return positions;
}

// Cumulative genetic map of one chromosome over bins of kMapBinMb with
// log-normal rate variation and rare hotspots, scaled to about 1.2 cM/Mb.
class GeneticMap {
 public:
  GeneticMap(double lengthMb, Rng& rng) {
    auto bins = static_cast<std::size_t>(std::ceil(lengthMb / kMapBinMb)) + 1;
    std::vector<double> rate(bins);
    double sum = 0.0;
    for (double& r : rate) {
      r = std::exp(0.7 * rng.normal());
      if (rng.chance(0.03)) r *= 8.0;
      sum += r;
    }
    // Chromosomes differ somewhat in their mean rate.
    double targetCm = kCmPerMb * lengthMb * rng.uniform(0.92, 1.08);
    cumulative_.assign(bins + 1, 0.0);
    rate_.resize(bins);
    for (std::size_t b = 0; b < bins; ++b) {
      rate_[b] = rate[b] / sum * targetCm / kMapBinMb;  // cM per Mb in bin b
      cumulative_[b + 1] = cumulative_[b] + rate_[b] * kMapBinMb;
    }
  }

  double at(std::int64_t bp) const {
    double mb = static_cast<double>(bp) / 1e6;
    auto b = std::min(static_cast<std::size_t>(mb / kMapBinMb), rate_.size() - 1);
    return cumulative_[b] + rate_[b] * (mb - static_cast<double>(b) * kMapBinMb);
  }

 private:
  std::vector<double> rate_;
  std::vector<double> cumulative_;
};

// A bijection of [0, 2^27) that scatters consecutive indexes, so that rs IDs
// are unique and their order has nothing to do with the genome order.
std::uint32_t scatter(std::uint32_t x, std::uint64_t seed) {
  constexpr std::uint32_t mask = (1u << 27) - 1;
  auto key = static_cast<std::uint32_t>(seed);
  for (int round = 0; round < 3; ++round) {
    x = (x * 0x2C1B3C6Du + key) & mask;  // odd multiplier: invertible mod 2^27
    x ^= x >> 13;
    key = key * 0x9E3779B1u + 0x7F4A7C15u;
  }
  return x & mask;
}

constexpr std::array<std::array<char, 2>, 6> kAllelePairs{
    {{'A', 'G'}, {'C', 'T'}, {'A', 'C'}, {'G', 'T'}, {'A', 'T'}, {'C', 'G'}}};

}  // namespace

Panel buildPanel(std::size_t snpCount, std::uint64_t seed) {
  Panel panel;
  panel.snps.reserve(snpCount);
  panel.chrBegin.push_back(0);
  std::array<std::size_t, 23> counts = snpCounts(snpCount);
  Rng alleles = Rng::derive(seed, kPanelAlleles);

  for (std::size_t c = 0; c < kShapes.size(); ++c) {
    int chromosome = static_cast<int>(c) + 1;
    Rng layout = Rng::derive(seed, kPanelLayout, c);
    Rng mapRng = Rng::derive(seed, kPanelMap, c);
    std::vector<Interval> intervals = usableIntervals(kShapes[c], layout, panel.desertCount);
    std::vector<std::int64_t> positions = placeSnps(intervals, counts[c], layout);
    GeneticMap map(kShapes[c].lengthMb, mapRng);

    for (std::int64_t bp : positions) {
      Snp snp;
      snp.chromosome = chromosome;
      snp.position = bp;
      // Rounded to the six decimals the annotation carries, and never 0.
      snp.mapCm = std::max(std::round(map.at(bp) * 1e6) / 1e6, 1e-6);
      snp.freqA = std::round(alleles.uniform(0.05, 0.95) * 1e4) / 1e4;
      const auto& pair = kAllelePairs[alleles.below(kAllelePairs.size())];
      snp.alleleA = pair[0];
      snp.alleleB = pair[1];
      snp.rsId =
          "rs" + std::to_string(
                     1000u + scatter(static_cast<std::uint32_t>(panel.snps.size()), seed ^ kRsIds));
      panel.snps.push_back(std::move(snp));
    }
    panel.chrBegin.push_back(panel.snps.size());
  }
  return panel;
}

}  // namespace benchgen
