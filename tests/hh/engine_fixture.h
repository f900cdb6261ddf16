// Test fixture of the comparison engine: a small genome built by hand, a
// private output directory, and helpers to set calls and read files back.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "genome/model.h"
#include "genome/pass_storage.h"
#include "hh/hh.h"

struct SnpPlan {
  int64_t position;  // bp
  double map;        // cM
};

class EngineTest : public ::testing::Test {
 protected:
  std::string dir;  // output directory, ends with '/'

  void SetUp() override {
    resetModel();
    char pattern[] = "/tmp/velmora-hh-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = std::string(pattern) + "/";
    settings.outputFilePath = dir;
  }

  void TearDown() override {
    resetModel();
    std::filesystem::remove_all(dir);
  }

  // One autosome slot per entry of `slots` (an empty entry is an empty slot),
  // plus an empty X; one default region per slot; `patients` and `controls`
  // subjects named subject<j>.txt / control<j>.txt, all calls missing.
  void buildGenome(const std::vector<std::vector<SnpPlan>>& slots, int patients, int controls = 0) {
    const int32_t autosomes = static_cast<int32_t>(slots.size());
    genome.lastChromosome = autosomes + 1;
    genome.chrPosition.assign(1, 0);
    for (int32_t k = 0; k < autosomes; ++k) {
      for (const SnpPlan& plan : slots[k]) {
        SNPRecord r;
        r.chr = k + 1;
        r.position = plan.position;
        r.genetMap = plan.map;
        r.tableIndex = static_cast<int64_t>(genome.sumSNP.size());
        r.rsID = "rs" + std::to_string(r.tableIndex + 100);
        r.freqA = 0.25f;
        genome.sumSNP.push_back(r);
      }
      genome.chrPosition.push_back(static_cast<int64_t>(genome.sumSNP.size()));
      if (!slots[k].empty()) {
        genome.totalGenetDistanceWOX += slots[k].back().map - slots[k].front().map;
      }
    }
    genome.chrPosition.push_back(static_cast<int64_t>(genome.sumSNP.size()));  // X, empty
    genome.totalAnnotationDataCount = static_cast<int64_t>(genome.sumSNP.size());
    genome.averageMajorAlleleFrequencyWOX = 0.75;
    settings.noTgPool[0] = patients;
    settings.noTgPool[1] = controls;
    for (int j = 0; j < patients; ++j) {
      settings.stFile[0].push_back("/data/subject" + std::to_string(j + 1) + ".txt");
    }
    for (int j = 0; j < controls; ++j) {
      settings.stFile[1].push_back("/data/control" + std::to_string(j + 1) + ".txt");
    }
    allocateGTypes();
    for (int p = 0; p < 2; ++p) {
      genome.nEffectiveSNP[p].assign(static_cast<size_t>((settings.noTgPool[p] + 1) * autosomes),
                                     0);
      pass.targetSt[p].assign(static_cast<size_t>(settings.noTgPool[p]), 1);
    }
    for (int32_t k = 0; k < autosomes; ++k) {
      genome.includeRegion[k] = Region{slotBegin(k), slotEnd(k) - 1};
    }
    genome.noRegions = autosomes;
    pass.tempFile.assign(static_cast<size_t>(autosomes), nullptr);
    pass.maxOverlapChr.assign(static_cast<size_t>(autosomes), 0);
  }

  // Sets the calls of one subject on slot k (one code per SNP of the slot) and
  // its nEffectiveSNP entry, as the genotype reader would.
  void setCalls(int pool, int subject, int32_t k, const std::vector<int>& codes) {
    ASSERT_EQ(static_cast<int64_t>(codes.size()), slotEnd(k) - slotBegin(k));
    int64_t calls = 0;
    for (size_t i = 0; i < codes.size(); ++i) {
      putGType(genome.sumSNP[slotBegin(k) + static_cast<int64_t>(i)].gType[pool],
               static_cast<uint64_t>(subject), codes[i]);
      if (codes[i] >= 1 && codes[i] <= 3) ++calls;
    }
    genome.nEffectiveSNP[pool][static_cast<size_t>(subject * autosomeSlots() + k)] = calls;
  }

  // The scratch of a fold-overlap pass (n + 1 entries, subjects 0..n-1 unpacked).
  void attach(int32_t k, int pool) {
    const int n = settings.noTgPool[pool];
    attachSlotScratch(k, pool, n + 1, n);
  }

  // Compares subjects 0 and 1 of the patients on slot 0 once, with fresh
  // scratch and temporary pair files.
  void scanFirstPairOnce() {
    attach(0, 0);
    openTempFiles();
    conservedHaplotypeFor2(0, 1, 0, 0, 0);
    closeTempFiles();
  }

  static std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  static void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }

  // Counters of subject st on every SNP of slot k.
  static std::vector<int> counters(int32_t k, int st) {
    std::vector<int> out;
    for (int64_t i = slotBegin(k); i < slotEnd(k); ++i)
      out.push_back(genome.sumSNP[i].rchhCount[st]);
    return out;
  }

  static std::vector<int64_t> levels(int32_t k, int pool) {
    std::vector<int64_t> out;
    for (int64_t i = slotBegin(k); i < slotEnd(k); ++i)
      out.push_back(genome.sumSNP[i].foldOverlap[pool]);
    return out;
  }
};

// Evenly spaced SNPs: `count` SNPs 1000 bp apart, maps `step` cM apart from 1.
inline std::vector<SnpPlan> evenSlot(int count, double step = 1.0) {
  std::vector<SnpPlan> out;
  for (int i = 0; i < count; ++i)
    out.push_back({1000 + 1000 * static_cast<int64_t>(i), 1.0 + step * i});
  return out;
}
