// Writes the cohort in velmora's input formats (annotation, genotyping files
// in layouts A and B, analysis files) and the cohort description.
#include "velmora_files.h"

#include <cstdio>
#include <numeric>

#include "base/velmora_format.h"
#include "out_file.h"
#include "rng.h"

namespace benchgen {
namespace {

std::vector<std::uint32_t> shuffled(std::size_t n, Rng rng) {
  std::vector<std::uint32_t> order(n);
  std::iota(order.begin(), order.end(), 0u);
  for (std::size_t i = n; i > 1; --i) std::swap(order[i - 1], order[rng.below(i)]);
  return order;
}

std::vector<std::string> poolPaths(const Cohort& cohort, bool patients, const std::string& dir) {
  std::vector<std::string> paths;
  for (const Subject& s : cohort.subjects)
    if (s.patient == patients) paths.push_back(dir + "genotypes/" + s.name + ".txt");
  return paths;
}

void writeAnalysisFile(const Cohort& cohort, const std::string& dir, const std::string& name,
                       bool withControls) {
  AnalysisFileContent content;
  std::string comment = "Benchmark cohort: " + std::to_string(cohort.patients) + " patients";
  if (withControls) comment += ", " + std::to_string(cohort.controls) + " controls";
  content.comments.push_back(comment);
  content.annotation = dir + "annotation.txt";
  content.patients = poolPaths(cohort, true, dir);
  if (withControls) content.controls = poolPaths(cohort, false, dir);
  content.outputDirectory = dir + (withControls ? "out_two_pools/" : "out_patients_only/");
  OutFile out(dir + name);
  out.put(analysisFileText(content));
  out.close();
}

}  // namespace

void writeAnnotation(const Panel& panel, const std::string& path) {
  OutFile out(path);
  std::string line;
  for (const Snp& s : panel.snps) {
    line.clear();
    appendAnnotationLine(line, s.chromosome, s.position, s.freqA, 4, s.rsId, s.mapCm);
    out.put(line);
  }
  out.close();
}

LineOrders makeLineOrders(std::size_t snpCount, std::uint64_t seed) {
  return {shuffled(snpCount, Rng::derive(seed, kLineOrder, 0)),
          shuffled(snpCount, Rng::derive(seed, kLineOrder, 1))};
}

void writeGenotypeFile(const Panel& panel, const Subject& subject,
                       const std::vector<std::uint8_t>& calls, const LineOrders& orders,
                       std::uint64_t seed, const std::string& path) {
  OutFile out(path);
  if (!subject.layoutB) {
    std::string line;
    for (std::uint32_t k : orders.layoutA) {
      line.clear();
      appendGenotypeLine(line, panel.snps[k].rsId, calls[k]);
      out.put(line);
    }
  } else {
    // Line number, probe name, call, confidence score, rs ID.
    Rng score = Rng::derive(seed, kLineOrder, 2 + subject.poolIndex);
    std::uint64_t line = 0;
    char confidence[8] = "0.0000";
    for (std::uint32_t k : orders.layoutB) {
      auto milli = static_cast<unsigned>(score.below(500));
      for (int d = 5; d >= 3; --d, milli /= 10) confidence[d] = static_cast<char>('0' + milli % 10);
      out.putUnsigned(++line)
          .put("\tSNP_A-")
          .putUnsigned(1000000 + k)
          .put('\t')
          .put(velmoraCallText(calls[k]));
      out.put('\t')
          .put(std::string_view(confidence, 6))
          .put('\t')
          .put(panel.snps[k].rsId)
          .put('\n');
    }
  }
  out.close();
}

void writeAnalysisFiles(const Cohort& cohort, const std::string& dir) {
  writeAnalysisFile(cohort, dir, "analysis_two_pools.txt", true);
  writeAnalysisFile(cohort, dir, "analysis_patients_only.txt", false);
}

void writeInfo(const Panel& panel, const Cohort& cohort, std::uint64_t seed, double noCallShare,
               const std::string& path) {
  double autosomalCm = 0.0;
  std::size_t largeGaps = 0;
  for (int c = 1; c <= kChromosomeX; ++c) {
    if (c < kChromosomeX)
      autosomalCm += panel.snps[panel.end(c) - 1].mapCm - panel.snps[panel.begin(c)].mapCm;
    for (std::size_t k = panel.begin(c) + 1; k < panel.end(c); ++k)
      if (panel.snps[k].position - panel.snps[k - 1].position >= 300000) ++largeGaps;
  }
  const Founder& f = cohort.founder;
  char buf[512];
  OutFile out(path);
  std::snprintf(buf, sizeof buf,
                "snps\t%zu\npatients\t%zu\ncontrols\t%zu\nseed\t%llu\nautosomal_cM\t%.1f\n"
                "gaps_of_300kb_or_more\t%zu\ndeserts_placed\t%lld\nno_call_share\t%.4f\n"
                "founder_chromosome\t%d\nfounder_core_cM\t%.3f\t%.3f\n",
                panel.snps.size(), cohort.patients, cohort.controls,
                static_cast<unsigned long long>(seed), autosomalCm, largeGaps,
                static_cast<long long>(panel.desertCount), noCallShare, f.chromosome, f.coreFromCm,
                f.coreToCm);
  out.put(buf);
  // Patient numbers as velmora counts them, from 1.
  out.put("founder_sharers\t");
  bool first = true;
  for (const Subject& s : cohort.subjects) {
    if (!s.founderSharer) continue;
    if (!first) out.put(' ');
    out.putUnsigned(s.poolIndex + 1);
    first = false;
  }
  out.put("\nlayout_b_files\t");
  first = true;
  for (const Subject& s : cohort.subjects) {
    if (!s.layoutB) continue;
    if (!first) out.put(' ');
    out.put(s.name);
    first = false;
  }
  out.put('\n');
  std::snprintf(buf, sizeof buf, "genotyping_error\t%g\n", cohort.errorRate);
  out.put(buf);
  out.close();
}

}  // namespace benchgen
