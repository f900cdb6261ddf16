// Deterministic random numbers for the cohort generator: a SplitMix64 stream
// and independent sub-streams derived from (seed, purpose, index), so that
// one subject's genotypes do not depend on the order things are generated in.
#pragma once

#include <cmath>
#include <cstdint>

namespace benchgen {

class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}

  // A stream of its own for one purpose and index of the run with this seed.
  static Rng derive(std::uint64_t seed, std::uint64_t purpose, std::uint64_t index = 0) {
    Rng mixer(seed ^ (purpose * 0x9E3779B97F4A7C15ULL));
    std::uint64_t s = mixer.next() ^ (index * 0xD1B54A32D192ED03ULL);
    Rng inner(s);
    return Rng(inner.next());
  }

  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // Uniform in [0, 1), from the top 53 bits: the same on every platform.
  double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

  double uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }

  // Uniform integer in [0, n); the modulo bias is negligible for our n.
  std::uint64_t below(std::uint64_t n) { return n == 0 ? 0 : next() % n; }

  bool chance(double p) { return uniform() < p; }

  // Standard normal by Box-Muller; one value per call keeps streams simple.
  double normal() {
    double u1 = uniform();
    double u2 = uniform();
    if (u1 < 1e-300) u1 = 1e-300;
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
  }

 private:
  std::uint64_t state_;
};

// Purposes of the derived streams; values are fixed so that a seed keeps
// giving the same cohort when streams are added.
enum Stream : std::uint64_t {
  kPanelLayout = 1,
  kPanelMap = 2,
  kPanelAlleles = 3,
  kLineOrder = 4,
  kSubjectTraits = 5,
  kSubjectGenotypes = 6,
  kFounder = 7,
  kRsIds = 8,
  kGenotypingErrors = 9,
};

}  // namespace benchgen
