// Synthetic cohorts for end-to-end tests.
#include "common/cohort.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>

#include "base/velmora_format.h"

Cohort writeCohort(const ScratchDir& dir, const CohortPlan& plan) {
  std::mt19937 rng(plan.seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  struct Snp {
    int chr;
    int index;
    double freq;
    std::string rs;
  };
  std::vector<Snp> snps;
  std::ostringstream annotation;
  int serial = 0;
  for (int c = 1; c <= plan.autosomes + 1; ++c) {
    const int count = c <= plan.autosomes ? plan.snpsPerChromosome : plan.xSnps;
    for (int i = 0; i < count; ++i) {
      Snp s{c, i, 0.2 + 0.6 * unit(rng), "rs" + std::to_string(1000 + 7 * serial++)};
      char line[256];
      std::snprintf(line, sizeof line, "%d\t%lld\t%.3f\t%s\t%.4f\n", c,
                    static_cast<long long>(1000 + i * plan.spacingBp), s.freq, s.rs.c_str(),
                    0.05 + i * plan.cMPerSnp);
      annotation << line;
      snps.push_back(s);
    }
  }
  dir.write("annotation.txt", annotation.str());

  // One fixed homozygous haplotype for the planted stretch.
  std::vector<int> planted(snps.size());
  for (size_t k = 0; k < snps.size(); ++k) planted[k] = unit(rng) < 0.5 ? 1 : 2;

  std::mt19937 errors(plan.seed * 7919u + 1u);
  auto subjectFile = [&](bool patient, int number, bool layoutB) {
    std::ostringstream out;
    for (size_t k = 0; k < snps.size(); ++k) {
      const Snp& s = snps[k];
      int code;
      const bool sharer = plan.sharerList.empty()
                              ? number < plan.sharers
                              : std::find(plan.sharerList.begin(), plan.sharerList.end(), number) !=
                                    plan.sharerList.end();
      const bool inStretch = patient && sharer && s.chr == plan.plantedChromosome &&
                             s.index >= plan.plantedFirst && s.index <= plan.plantedLast;
      if (inStretch) {
        code = planted[k];
      } else {
        double u = unit(rng), p = s.freq;
        code = u < p * p ? 1 : (u < p * p + (1 - p) * (1 - p) ? 2 : 3);
        if (unit(rng) < 0.02) code = 0;
      }
      if (plan.errorRate > 0 && code != 0 && unit(errors) < plan.errorRate) {
        const int others[3][2] = {{2, 3}, {1, 3}, {1, 2}};
        code = others[code - 1][errors() % 2];
      }
      if (layoutB) {
        out << s.chr << "\tx\t" << velmoraCallText(static_cast<uint8_t>(code)) << "\ty\t" << s.rs
            << "\n";
      } else {
        out << s.rs << "\t" << velmoraCallText(static_cast<uint8_t>(code)) << "\n";
      }
    }
    return out.str();
  };

  std::ostringstream analysis;
  analysis << "::annotation file\n" << dir.file("annotation.txt") << "\n::excluded area file\n";
  analysis << "::patient pool\n";
  const int subjects = plan.patients + plan.controls;
  for (int v = 0; v < plan.patients; ++v) {
    char name[32];
    std::snprintf(name, sizeof name, "p%02d.txt", v + 1);
    const bool last = v + 1 == subjects;
    dir.write(name, subjectFile(true, v, plan.layoutBForLast && last));
    analysis << dir.file(name) << "\n";
  }
  analysis << "::control pool\n";
  for (int v = 0; v < plan.controls; ++v) {
    char name[32];
    std::snprintf(name, sizeof name, "c%02d.txt", v + 1);
    const bool last = plan.patients + v + 1 == subjects;
    dir.write(name, subjectFile(false, v, plan.layoutBForLast && last));
    analysis << dir.file(name) << "\n";
  }
  std::filesystem::create_directories(dir.file("out"));
  analysis << "::output directory\n" << dir.file("out/") << "\n";
  dir.write("analysis.txt", analysis.str());

  Cohort cohort;
  cohort.analysisFile = dir.file("analysis.txt");
  cohort.outputDir = dir.file("out/");
  for (const Snp& s : snps) cohort.rsIDs.push_back(s.rs);
  return cohort;
}
