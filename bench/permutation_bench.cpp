// Cost of label permutation on a cohort: loading, the pooled pairs, and the
// relabellings, with the memory the pooled cohort holds.
//   cmake --build build --target permutation_bench
//   build/permutation_bench ANALYSIS CUTOFF_CM PERMUTATIONS [THREADS] 2>/dev/null
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/output.h"
#include "driver/run_inputs.h"
#include "stats/permutation.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: permutation_bench ANALYSIS CUTOFF_CM PERMUTATIONS [THREADS]\n");
    return 1;
  }
  try {
    const double cutoff = std::strtod(argv[2], nullptr);
    const long count = std::strtol(argv[3], nullptr, 10);
    const int threads = argc > 4 ? std::atoi(argv[4]) : 0;
    auto start = std::chrono::steady_clock::now();
    loadRunInputs(argv[1]);
    const double load = secondsSince(start);
    start = std::chrono::steady_clock::now();
    PooledCohortPtr cohort = buildPooledCohort(cutoff, threads);
    const double pairs = secondsSince(start);
    start = std::chrono::steady_clock::now();
    std::vector<ScanMaxima> maxima =
        permutationMaxima(*cohort, kDefaultPermutationSeed, count, threads, [](int64_t) {});
    const double relabel = secondsSince(start);
    std::printf("pooled events\t%ld\n", static_cast<long>(pooledEvents(*cohort)));
    std::printf(
        "load\t%.2f s\npooled pairs\t%.2f s\t%.1f MB\nrelabellings\t%ld\t%.2f s\t%.2f ms each\n"
        "observed max\t%f\t%f\n",
        load, pairs, pooledCohortBytes(*cohort) / 1e6, count + 1, relabel,
        1000 * relabel / static_cast<double>(count + 1), static_cast<double>(maxima[0].plain),
        static_cast<double>(maxima[0].representative));
  } catch (const FatalError& error) {
    std::fputs(error.message.c_str(), stderr);
    return 1;
  }
  return 0;
}
