// Label permutation against velmora itself: the observed labels give the
// segments and -log10 p of velmora's two p-value lists, every labelling of a
// tiny cohort gives the maxima of a velmora run with those pools, and the
// maxima do not depend on threads or on the run.
#include "stats/permutation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/cohort.h"
#include "common/harness.h"
#include "driver/run_inputs.h"
#include "genome/model.h"
#include "hh/engine_options.h"
#include "stats/pooled_load.h"

namespace {

const char* const kPlainList = "HH_P_Value_PatientPool_vs_ControlPool.txt";
const char* const kRepresentativeList =
    "HH_P_Value_Using_Representative_PatientPool_vs_ControlPool.txt";

// A segment as a list line pair shows it.
struct ListedSegment {
  int chr;
  long first, last;
  std::string value;
  int patients, controls;
  bool operator==(const ListedSegment&) const = default;
};

std::vector<ListedSegment> readList(const std::string& path) {
  std::vector<ListedSegment> segments;
  FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) return segments;
  char line[512];
  ListedSegment open{};
  while (std::fgets(line, sizeof line, file) != nullptr) {
    int chr, patients, controls;
    long bp;
    char value[64], word[16];
    if (std::sscanf(line, "%d\t%ld\t%*f\t%*s\t%63s\t%d\t%d\t%15s", &chr, &bp, value, &patients,
                    &controls, word) != 6)
      continue;
    if (std::string(word) == "start") {
      open = {chr, bp, bp, value, patients, controls};
    } else {
      open.last = bp;
      segments.push_back(open);
    }
  }
  std::fclose(file);
  return segments;
}

std::vector<ListedSegment> asListed(const std::vector<ScanSegment>& segments, int scan) {
  std::vector<ListedSegment> listed;
  for (const ScanSegment& s : segments) {
    if (s.scan != scan) continue;
    char value[64];
    std::snprintf(value, sizeof value, "%f", static_cast<double>(s.minusLogP));
    listed.push_back({genome.sumSNP[static_cast<size_t>(s.firstSnp)].chr,
                      genome.sumSNP[static_cast<size_t>(s.firstSnp)].position,
                      genome.sumSNP[static_cast<size_t>(s.lastSnp)].position, value, s.patients,
                      s.controls});
  }
  return listed;
}

// The largest value a list shows, as text read back ("%f" of a float).
float listMaximum(const std::vector<ListedSegment>& segments) {
  float highest = 0;
  for (const ListedSegment& s : segments) highest = std::max(highest, std::stof(s.value));
  return highest;
}

std::string asText(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
  return text;
}

RunResult runVelmora(const std::string& analysis, const std::string& cutoff) {
  return runProgram({VELMORA_BIN, analysis}, cutoff + "\n");
}

}  // namespace

TEST(Permutation, ObservedLabelsGiveVelmorasListsOnVariedCohorts) {
  struct Case {
    int patients, controls, sharers, snps;
    double cutoff;
    uint32_t seed;
  };
  for (const Case& c : {Case{8, 7, 5, 60, 0.5, 3}, Case{12, 10, 9, 80, 0.8, 11},
                        Case{5, 9, 4, 50, 0.4, 29}, Case{2, 1, 2, 40, 0.3, 5}}) {
    SCOPED_TRACE("cohort seed " + std::to_string(c.seed));
    ScratchDir dir;
    CohortPlan plan;
    plan.patients = c.patients;
    plan.controls = c.controls;
    plan.sharers = c.sharers;
    plan.snpsPerChromosome = c.snps;
    plan.plantedLast = c.snps - 10;
    plan.seed = c.seed;
    const Cohort cohort = writeCohort(dir, plan);
    char cutoff[32];
    std::snprintf(cutoff, sizeof cutoff, "%g", c.cutoff);
    const RunResult run = runVelmora(cohort.analysisFile, cutoff);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<ListedSegment> plain = readList(cohort.outputDir + kPlainList);
    const std::vector<ListedSegment> representative =
        readList(cohort.outputDir + kRepresentativeList);
    ASSERT_FALSE(plain.empty());
    ASSERT_FALSE(representative.empty());

    PooledCohortPtr pooled = loadPooled(cohort.analysisFile, c.cutoff, 2);
    EXPECT_EQ(pooledPatients(*pooled), c.patients);
    EXPECT_EQ(pooledControls(*pooled), c.controls);
    std::vector<ScanSegment> segments;
    const ScanMaxima observed = labellingMaxima(
        *pooled, relabelling(kDefaultPermutationSeed, 0, c.patients, c.controls), &segments);
    EXPECT_EQ(asListed(segments, 0), plain);
    EXPECT_EQ(asListed(segments, 1), representative);
    EXPECT_EQ(asText(observed.plain), asText(listMaximum(plain)));
    EXPECT_EQ(asText(observed.representative), asText(listMaximum(representative)));
    // The maxima alone, without segments, are the same.
    const ScanMaxima again = labellingMaxima(
        *pooled, relabelling(kDefaultPermutationSeed, 0, c.patients, c.controls), nullptr);
    EXPECT_EQ(again.plain, observed.plain);
    EXPECT_EQ(again.representative, observed.representative);
  }
}

TEST(Permutation, EveryLabellingOfATinyCohortMatchesAVelmoraRunWithThosePools) {
  ScratchDir dir;
  CohortPlan plan;
  plan.patients = 4;
  plan.controls = 3;
  plan.sharers = 3;
  plan.snpsPerChromosome = 50;
  plan.seed = 17;
  const Cohort cohort = writeCohort(dir, plan);
  std::vector<std::string> subjects;
  for (int v = 1; v <= plan.patients; ++v)
    subjects.push_back(dir.file("p0" + std::to_string(v) + ".txt"));
  for (int v = 1; v <= plan.controls; ++v)
    subjects.push_back(dir.file("c0" + std::to_string(v) + ".txt"));

  PooledCohortPtr pooled = loadPooled(cohort.analysisFile, 0.5, 0);
  std::vector<std::vector<uint8_t>> labellings;
  for (int mask = 0; mask < (1 << 7); ++mask) {
    if (__builtin_popcount(static_cast<unsigned>(mask)) != plan.patients) continue;
    std::vector<uint8_t> isPatient(7);
    for (int g = 0; g < 7; ++g) isPatient[static_cast<size_t>(g)] = (mask >> g) & 1;
    labellings.push_back(isPatient);
  }
  ASSERT_EQ(labellings.size(), 35u);
  std::vector<ScanMaxima> engine;
  for (const auto& isPatient : labellings)
    engine.push_back(labellingMaxima(*pooled, isPatient, nullptr));

  std::set<std::string> distinct;
  for (size_t l = 0; l < labellings.size(); ++l) {
    std::ostringstream analysis;
    analysis << "::annotation file\n" << dir.file("annotation.txt") << "\n::excluded area file\n";
    analysis << "::patient pool\n";
    for (int g = 0; g < 7; ++g)
      if (labellings[l][static_cast<size_t>(g)])
        analysis << subjects[static_cast<size_t>(g)] << "\n";
    analysis << "::control pool\n";
    for (int g = 0; g < 7; ++g)
      if (!labellings[l][static_cast<size_t>(g)])
        analysis << subjects[static_cast<size_t>(g)] << "\n";
    const std::string out = dir.file("run" + std::to_string(l) + "/");
    std::filesystem::create_directories(out);
    analysis << "::output directory\n" << out << "\n";
    const std::string file = dir.file("analysis" + std::to_string(l) + ".txt");
    dir.write("analysis" + std::to_string(l) + ".txt", analysis.str());
    const RunResult run = runVelmora(file, "0.5");
    ASSERT_EQ(run.status, 0) << run.err;
    SCOPED_TRACE("labelling " + std::to_string(l));
    EXPECT_EQ(asText(engine[l].plain), asText(listMaximum(readList(out + kPlainList))));
    EXPECT_EQ(asText(engine[l].representative),
              asText(listMaximum(readList(out + kRepresentativeList))));
    distinct.insert(asText(engine[l].both()));
  }
  EXPECT_GT(distinct.size(), 3u);  // the labellings really differ
}

TEST(Permutation, RelabellingsAreSeededDrawsAndMaximaIgnoreThreads) {
  const std::vector<uint8_t> observed = relabelling(5, 0, 3, 4);
  EXPECT_EQ(observed, (std::vector<uint8_t>{1, 1, 1, 0, 0, 0, 0}));
  std::set<std::string> seen;  // labellings as text
  for (int64_t k = 1; k <= 200; ++k) {
    const std::vector<uint8_t> drawn = relabelling(5, k, 3, 4);
    EXPECT_EQ(std::count(drawn.begin(), drawn.end(), 1), 3);
    EXPECT_EQ(drawn, relabelling(5, k, 3, 4));
    seen.insert(std::string(drawn.begin(), drawn.end()));
  }
  EXPECT_EQ(seen.size(), 35u);  // 200 draws reach all 35 choices of 3 among 7
  EXPECT_NE(relabelling(5, 1, 20, 20), relabelling(6, 1, 20, 20));

  ScratchDir dir;
  CohortPlan plan;
  plan.patients = 9;
  plan.controls = 8;
  plan.sharers = 6;
  plan.snpsPerChromosome = 70;
  plan.seed = 41;
  const Cohort cohort = writeCohort(dir, plan);
  PooledCohortPtr one = loadPooled(cohort.analysisFile, 0.5, 1);
  std::vector<int64_t> reported;
  const std::vector<ScanMaxima> single =
      permutationMaxima(*one, 99, 60, 1, [&](int64_t done) { reported.push_back(done); });
  ASSERT_EQ(single.size(), 61u);
  EXPECT_EQ(reported.front(), 0);
  EXPECT_EQ(reported.back(), 61);
  EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
  PooledCohortPtr four = loadPooled(cohort.analysisFile, 0.5, 4);
  for (int threads : {2, 3, 4}) {
    const std::vector<ScanMaxima> many = permutationMaxima(*four, 99, 60, threads, [](int64_t) {});
    ASSERT_EQ(many.size(), single.size());
    for (size_t k = 0; k < many.size(); ++k) {
      EXPECT_EQ(many[k].plain, single[k].plain) << k;
      EXPECT_EQ(many[k].representative, single[k].representative) << k;
    }
  }
  std::set<float> values;
  for (const ScanMaxima& m : single) values.insert(m.both());
  EXPECT_GT(values.size(), 5u);
}

TEST(Permutation, ANullCohortsSegmentsAreNotPiledUpNearZero) {
  ScratchDir dir;
  CohortPlan plan;
  plan.patients = 10;
  plan.controls = 10;
  plan.sharers = 0;  // patients and controls exchangeable
  plan.snpsPerChromosome = 80;
  plan.seed = 73;
  const Cohort cohort = writeCohort(dir, plan);
  PooledCohortPtr pooled = loadPooled(cohort.analysisFile, 0.5, 0);
  std::vector<ScanSegment> segments;
  labellingMaxima(*pooled, relabelling(1, 0, 10, 10), &segments);
  const std::vector<ScanMaxima> maxima = permutationMaxima(*pooled, 1, 199, 0, [](int64_t) {});
  ASSERT_GT(segments.size(), 20u);
  int small = 0;
  for (const ScanSegment& s : segments) {
    int reached = 0;
    for (size_t k = 1; k < maxima.size(); ++k) reached += maxima[k].both() >= s.minusLogP;
    const double adjusted = (1.0 + reached) / static_cast<double>(maxima.size());
    small += adjusted < 0.05;
  }
  EXPECT_LT(small * 10, static_cast<int>(segments.size()));
}

TEST(Permutation, OnePoolIsRefused) {
  ScratchDir dir;
  CohortPlan plan;
  plan.patients = 4;
  plan.controls = 0;
  const Cohort cohort = writeCohort(dir, plan);
  resetModel();
  loadRunInputs(cohort.analysisFile);
  try {
    buildPooledCohort(0.5, 1);
    FAIL() << "a run without controls was accepted";
  } catch (const FatalError& error) {
    EXPECT_NE(error.message.find("no labels to exchange"), std::string::npos);
  }
}
