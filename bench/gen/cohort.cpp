// Plans the subjects of the cohort and draws their calls. Outside autozygous
// stretches calls follow Hardy-Weinberg proportions of the SNP's frequency;
// inside, both copies are one haplotype drawn from the same frequencies.
#include "cohort.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "rng.h"

namespace benchgen {
namespace {

constexpr int kAutosomes = 22;
constexpr double kFounderCoreCm = 4.0;

std::string subjectName(char prefix, std::size_t index, std::size_t poolSize) {
  int width = std::max(3, static_cast<int>(std::to_string(poolSize).size()));
  char buf[32];
  std::snprintf(buf, sizeof buf, "%c%0*zu", prefix, width, index + 1);
  return buf;
}

double chromosomeCm(const Panel& panel, int c) {
  return panel.snps[panel.end(c) - 1].mapCm - panel.snps[panel.begin(c)].mapCm;
}

// Index range [first, last) of the SNPs of chromosome c with map position in [fromCm, toCm].
std::pair<std::size_t, std::size_t> snpRange(const Panel& panel, int c, double fromCm,
                                             double toCm) {
  auto first = panel.snps.begin() + static_cast<std::ptrdiff_t>(panel.begin(c));
  auto last = panel.snps.begin() + static_cast<std::ptrdiff_t>(panel.end(c));
  auto lo =
      std::lower_bound(first, last, fromCm, [](const Snp& s, double cm) { return s.mapCm < cm; });
  auto hi = std::upper_bound(lo, last, toCm, [](double cm, const Snp& s) { return cm < s.mapCm; });
  return {static_cast<std::size_t>(lo - panel.snps.begin()),
          static_cast<std::size_t>(hi - panel.snps.begin())};
}

// An autosome drawn with probability proportional to its genetic length.
int drawAutosome(const Panel& panel, Rng& rng) {
  double total = 0.0;
  for (int c = 1; c <= kAutosomes; ++c) total += chromosomeCm(panel, c);
  double u = rng.uniform() * total;
  for (int c = 1; c <= kAutosomes; ++c) {
    u -= chromosomeCm(panel, c);
    if (u < 0.0) return c;
  }
  return kAutosomes;
}

Founder planFounder(const Panel& panel, std::uint64_t seed) {
  Rng rng = Rng::derive(seed, kFounder);
  Founder f;
  f.chromosome = drawAutosome(panel, rng);
  double first = panel.snps[panel.begin(f.chromosome)].mapCm;
  double length = chromosomeCm(panel, f.chromosome);
  // Keep the core off the chromosome ends where the chromosome allows it.
  double margin = std::min(12.0, std::max(0.0, (length - kFounderCoreCm) / 2.0));
  f.coreFromCm = first + rng.uniform(margin, std::max(margin, length - kFounderCoreCm - margin));
  f.coreToCm = f.coreFromCm + kFounderCoreCm;
  for (std::size_t k = panel.begin(f.chromosome); k < panel.end(f.chromosome); ++k)
    f.allele.push_back(rng.chance(panel.snps[k].freqA) ? 0 : 1);
  return f;
}

enum Mark : std::uint8_t { kOutbred = 0, kAutozygous = 1, kFounderHaplotype = 2 };

// Marks random autozygous stretches: count and lengths typical of a
// consanguineous patient, or of an outbred control.
void markStretches(const Panel& panel, bool patient, Rng& rng, std::vector<std::uint8_t>& marks) {
  std::uint64_t count = patient ? 2 + rng.below(7) : rng.below(4);
  double minCm = patient ? 2.0 : 1.0;
  double maxCm = patient ? 25.0 : 8.0;
  for (std::uint64_t i = 0; i < count; ++i) {
    int c = drawAutosome(panel, rng);
    double length = std::exp(rng.uniform(std::log(minCm), std::log(maxCm)));
    double first = panel.snps[panel.begin(c)].mapCm;
    double from = first + rng.uniform() * std::max(0.0, chromosomeCm(panel, c) - length);
    auto [lo, hi] = snpRange(panel, c, from, from + length);
    std::fill(marks.begin() + static_cast<std::ptrdiff_t>(lo),
              marks.begin() + static_cast<std::ptrdiff_t>(hi), kAutozygous);
  }
}

Call homozygous(double freqA, Rng& rng) {
  return rng.chance(freqA) ? kAA : kBB;
}

Call hardyWeinberg(double p, Rng& rng) {
  double u = rng.uniform();
  if (u < p * p) return kAA;
  if (u < p * p + (1.0 - p) * (1.0 - p)) return kBB;
  return kAB;
}

}  // namespace

Cohort planCohort(const Panel& panel, std::size_t patients, std::size_t controls,
                  std::uint64_t seed, bool exchangeable) {
  Cohort cohort;
  cohort.exchangeable = exchangeable;
  cohort.patients = patients;
  cohort.controls = controls;
  cohort.founder = planFounder(panel, seed);
  std::size_t sharers = 0;
  for (std::size_t i = 0; i < patients + controls; ++i) {
    Rng rng = Rng::derive(seed, kSubjectTraits, i);
    Subject s;
    s.patient = i < patients;
    s.poolIndex = s.patient ? i : i - patients;
    s.name = s.patient ? subjectName('p', s.poolIndex, patients)
                       : subjectName('c', s.poolIndex, controls);
    s.male = rng.chance(0.5);
    // The second file of each pool is always layout B, so both layouts occur.
    s.layoutB = s.poolIndex == 1 || rng.chance(0.1);
    s.founderSharer = s.patient && rng.chance(0.8) && !exchangeable;
    if (s.founderSharer) ++sharers;
    cohort.subjects.push_back(std::move(s));
  }
  // A founder locus needs at least two sharers to be found at all.
  for (std::size_t i = 0;
       !exchangeable && sharers < std::min<std::size_t>(2, patients) && i < patients; ++i) {
    if (!cohort.subjects[i].founderSharer) {
      cohort.subjects[i].founderSharer = true;
      ++sharers;
    }
  }
  return cohort;
}

std::vector<std::uint8_t> generateCalls(const Panel& panel, const Cohort& cohort,
                                        std::size_t subject, std::uint64_t seed) {
  const Subject& s = cohort.subjects[subject];
  Rng rng = Rng::derive(seed, kSubjectGenotypes, subject);
  std::size_t n = panel.snps.size();
  std::vector<std::uint8_t> marks(n, kOutbred);
  markStretches(panel, s.patient || cohort.exchangeable, rng, marks);

  const Founder& f = cohort.founder;
  std::size_t founderBegin = panel.begin(f.chromosome);
  if (s.founderSharer) {
    // Recombination since the founder trims the shared haplotype differently
    // in every sharer, around a core they all keep.
    double from = f.coreFromCm - rng.uniform(1.0, 10.0);
    double to = f.coreToCm + rng.uniform(1.0, 10.0);
    auto [lo, hi] = snpRange(panel, f.chromosome, from, to);
    std::fill(marks.begin() + static_cast<std::ptrdiff_t>(lo),
              marks.begin() + static_cast<std::ptrdiff_t>(hi), kFounderHaplotype);
  }

  std::vector<std::uint8_t> calls(n);
  Rng errors = Rng::derive(seed, kGenotypingErrors, subject);
  for (std::size_t k = 0; k < n; ++k) {
    const Snp& snp = panel.snps[k];
    Call call;
    if (marks[k] == kFounderHaplotype)
      call = f.allele[k - founderBegin] == 0 ? kAA : kBB;
    else if (marks[k] == kAutozygous || (s.male && snp.chromosome == kChromosomeX))
      call = homozygous(snp.freqA, rng);
    else
      call = hardyWeinberg(snp.freqA, rng);
    if (rng.chance(kNoCallRate)) call = kNoCall;
    if (cohort.errorRate > 0 && call != kNoCall && errors.chance(cohort.errorRate)) {
      const Call others[3][2] = {{kBB, kAB}, {kAA, kAB}, {kAA, kBB}};
      call = others[call - 1][errors.below(2)];
    }
    calls[k] = call;
  }
  return calls;
}

}  // namespace benchgen
