// The whole slot computation through the public entry points: the
// straightforward engine against the fast one on 1 and on 4 threads, on random
// genomes, for every byte a pass leaves behind (pair rows, progress lines,
// summary file, counters, levels, flags, slot maximum).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "common/harness.h"
#include "hh/engine_fixture.h"
#include "hh/engine_options.h"
#include "hh/hh.h"
#include "hh/random_slots.h"

namespace {

struct EngineChoice {
  bool reference;
  int threads;
};
const EngineChoice kEngines[] = {{true, 1}, {false, 1}, {false, 4}};

// Everything a call leaves on its slot and in its files.
struct SlotOutputs {
  std::string rows, progress, summary;
  std::vector<uint16_t> counters;  // every entry 0..n of every SNP
  std::vector<int64_t> levels;
  std::vector<int32_t> overlapCounts;
  std::vector<uint16_t> flags;  // start and end flag of every SNP
  uint32_t slotMaximum = 0;
};

void expectSame(const SlotOutputs& fast, const SlotOutputs& reference) {
  EXPECT_EQ(fast.rows, reference.rows);
  EXPECT_EQ(fast.progress, reference.progress);
  EXPECT_EQ(fast.summary, reference.summary);
  EXPECT_EQ(fast.counters, reference.counters);
  EXPECT_EQ(fast.levels, reference.levels);
  EXPECT_EQ(fast.overlapCounts, reference.overlapCounts);
  EXPECT_EQ(fast.flags, reference.flags);
  EXPECT_EQ(fast.slotMaximum, reference.slotMaximum);
}

class EngineIdentityTest : public EngineTest {
 protected:
  void TearDown() override {
    setReferenceEngine(false);
    setEngineThreads(0);
    EngineTest::TearDown();
  }

  // Stale values that a call must overwrite or leave alone, the same for every engine.
  static void stain(int32_t k, int pool, int entries) {
    for (int64_t i = slotBegin(k); i < slotEnd(k); ++i) {
      SNPRecord& snp = genome.sumSNP[i];
      for (int j = 0; j < entries; ++j) snp.rchhCount[j] = static_cast<uint16_t>(7 + j + i);
      snp.startFlag = 9;
      snp.endFlag = 9;
      snp.foldOverlap[pool] = 5;
      snp.overlapCount[pool] = 5;
    }
    pass.maxOverlapChr[k] = 0;
  }

  SlotOutputs collect(int32_t k, int pool, int entries, const std::string& progress) {
    SlotOutputs out;
    out.progress = progress;
    closeTempFiles();
    out.rows = readFile(tempFileName(k));
    char name[64];
    std::snprintf(name, sizeof name, "HH_FoldOverlap_Summary_%s_chr%03d.txt",
                  settings.stringTgPool[pool], k + 1);
    out.summary = readFile(dir + name);
    std::remove((dir + name).c_str());
    for (int64_t i = slotBegin(k); i < slotEnd(k); ++i) {
      const SNPRecord& snp = genome.sumSNP[i];
      out.counters.insert(out.counters.end(), snp.rchhCount, snp.rchhCount + entries);
      out.levels.push_back(snp.foldOverlap[pool]);
      out.overlapCounts.push_back(snp.overlapCount[pool]);
      out.flags.push_back(snp.startFlag);
      out.flags.push_back(snp.endFlag);
    }
    out.slotMaximum = pass.maxOverlapChr[k];
    releaseSlotScratch(k);
    return out;
  }

  SlotOutputs foldPass(EngineChoice engine, int32_t k, int pool, int n, int mode) {
    setReferenceEngine(engine.reference);
    setEngineThreads(engine.threads);
    attachSlotScratch(k, pool, n + 1, n);
    stain(k, pool, n + 1);
    openTempFiles();
    testing::internal::CaptureStderr();
    countRCHHSharedByMultiplePatients(pool, n, k, mode);
    return collect(k, pool, n + 1, testing::internal::GetCapturedStderr());
  }

  SlotOutputs representativePass(EngineChoice engine, int32_t k, int pool, int n) {
    setReferenceEngine(engine.reference);
    setEngineThreads(engine.threads);
    attachSlotScratch(k, pool, n + 1, n + 1);
    stain(k, pool, n + 1);
    openTempFiles();
    testing::internal::CaptureStderr();
    countRCHHSharedWithRepresentativePatients(pool, n, k);
    return collect(k, pool, n + 1, testing::internal::GetCapturedStderr());
  }

  // Both kinds of call on every slot, each engine against the reference.
  void compareEngines(int pool, int n, int mode) {
    for (int32_t k = 0; k < autosomeSlots(); ++k) {
      SCOPED_TRACE(testing::Message() << "slot " << k << " n " << n << " mode " << mode);
      const SlotOutputs reference = foldPass(kEngines[0], k, pool, n, mode);
      rowsSeen += std::count(reference.rows.begin(), reference.rows.end(), '\n');
      sharedLevels += std::count_if(reference.levels.begin(), reference.levels.end(),
                                    [](int64_t level) { return level >= 2; });
      for (const EngineChoice& engine : {kEngines[1], kEngines[2]}) {
        SCOPED_TRACE(engine.threads);
        expectSame(foldPass(engine, k, pool, n, mode), reference);
      }
      const SlotOutputs againstRepresentative = representativePass(kEngines[0], k, pool, n);
      for (const EngineChoice& engine : {kEngines[1], kEngines[2]}) {
        SCOPED_TRACE(engine.threads);
        expectSame(representativePass(engine, k, pool, n), againstRepresentative);
      }
    }
  }

  int64_t rowsSeen = 0, sharedLevels = 0;  // so that the random genomes are not vacuous

  // Random calls for subjects 0..n (n is the representative's slot); now and
  // then a subject without a single call.
  void randomCallsEverywhere(std::mt19937& rng, int pool, int n) {
    for (int32_t k = 0; k < autosomeSlots(); ++k) {
      const int64_t count = slotEnd(k) - slotBegin(k);
      for (int st = 0; st <= n; ++st) {
        std::vector<int> calls = randomCalls(rng, count, randomNoise(rng));
        if (rng() % 10 == 0) calls.assign(static_cast<size_t>(count), GTYPE_NONE);
        setCalls(pool, st, k, calls);
      }
    }
  }

  // Regions inside slots, empty ones and, now and then, one across two slots.
  static void randomRegions(std::mt19937& rng) {
    int64_t regions = 0;
    for (int32_t k = 0; k < autosomeSlots(); ++k) {
      const int64_t s = slotBegin(k), count = slotEnd(k) - s;
      for (unsigned r = rng() % 3; r > 0 && count > 0; --r) {
        const int64_t a = s + static_cast<int64_t>(rng() % count),
                      b = s + static_cast<int64_t>(rng() % count);
        genome.includeRegion[regions++] = Region{std::min(a, b), std::max(a, b)};
      }
    }
    if (rng() % 4 == 0) genome.includeRegion[regions++] = Region{3, 1};
    if (rng() % 4 == 0 && genome.totalAnnotationDataCount > 2) {
      genome.includeRegion[regions++] = Region{0, genome.totalAnnotationDataCount - 1};
    }
    genome.noRegions = regions;
  }
};

}  // namespace

TEST_F(EngineIdentityTest, RandomGenomesGiveTheSameBytesOnEveryEngine) {
  std::mt19937 rng(1906);
  const int64_t sizes[] = {0, 1, 2, 64, 65};
  for (int trial = 0; trial < 120; ++trial) {
    SCOPED_TRACE(testing::Message() << "trial " << trial);
    resetModel();
    settings.outputFilePath = dir;
    const int64_t largeGap = randomLargeGap(rng);
    std::vector<std::vector<SnpPlan>> slots;
    const int slotCount = 1 + static_cast<int>(rng() % 3);
    for (int k = 0; k < slotCount; ++k) {
      const int64_t count = rng() % 3 == 0 ? sizes[rng() % 5] : static_cast<int64_t>(rng() % 150);
      const RandomSlot slot = randomSlot(rng, count, largeGap, trial % 4 == 0);
      std::vector<SnpPlan> plans;
      for (int64_t i = 0; i < count; ++i) plans.push_back({slot.position[i], slot.map[i]});
      slots.push_back(plans);
    }
    const int n = static_cast<int>(rng() % 8);
    const int pool = static_cast<int>(rng() % 2);
    buildGenome(slots, pool == 0 ? n : 2, pool == 1 ? n : 2);
    settings.largeGap = largeGap;
    std::vector<double> firstMap;
    for (const SnpPlan& plan : slots[0]) firstMap.push_back(plan.map);
    settings.threshold = randomCutoff(rng, firstMap);
    randomCallsEverywhere(rng, pool, n);
    randomRegions(rng);
    const int mode = static_cast<int>(rng() % 2);
    if (mode == 0) {
      for (uint8_t& flag : pass.targetSt[pool]) flag = static_cast<uint8_t>(rng() % 2);
    }
    compareEngines(pool, n, mode);
    if (HasFailure()) break;
  }
  EXPECT_GT(rowsSeen, 500);
  EXPECT_GT(sharedLevels, 500);
}

TEST_F(EngineIdentityTest, ThreadCountDoesNotChangeAnyByteOfALargeSlot) {
  // Long stretches (little noise) and many pairs, so that threads finish their
  // chunks out of order and covers meet from different threads.
  std::mt19937 rng(77);
  const RandomSlot slot = randomSlot(rng, 3000, kLargeGapDefault, false);
  std::vector<SnpPlan> plans;
  for (size_t i = 0; i < slot.position.size(); ++i)
    plans.push_back({slot.position[i], slot.map[i]});
  const int n = 40;
  buildGenome({plans, evenSlot(200, 0.5)}, n);
  settings.threshold = 2.0;
  for (int32_t k = 0; k < 2; ++k) {
    const int64_t count = slotEnd(k) - slotBegin(k);
    for (int st = 0; st <= n; ++st)
      setCalls(0, st, k, randomCalls(rng, count, st % 3 == 0 ? 0.3 : 0.02));
  }
  for (int32_t k = 0; k < 2; ++k) {
    const SlotOutputs one = foldPass({false, 1}, k, 0, n, 1);
    EXPECT_EQ(std::count(one.rows.begin(), one.rows.end(), '\n'), n * (n - 1) / 2);
    EXPECT_GT(*std::max_element(one.levels.begin(), one.levels.end()), 2);  // real sharing
    for (int threads : {2, 4, 7}) {
      SCOPED_TRACE(threads);
      expectSame(foldPass({false, threads}, k, 0, n, 1), one);
    }
    expectSame(foldPass({true, 1}, k, 0, n, 1), one);
    const SlotOutputs representative = representativePass({false, 1}, k, 0, n);
    expectSame(representativePass({false, 4}, k, 0, n), representative);
    expectSame(representativePass({true, 1}, k, 0, n), representative);
  }
}

TEST_F(EngineIdentityTest, MissingFileNameStopsAtTheSameRowAsTheWalk) {
  // Subject 3 has no genotyping file: the walk writes pair (1,2) and its
  // progress line, then stops at pair (1,3).
  buildGenome({evenSlot(6)}, 4);
  settings.threshold = 1.0;
  settings.stFile[0].resize(2);
  attach(0, 0);
  openTempFiles();
  EXPECT_EXIT(asMain([&] { countRCHHSharedByMultiplePatients(0, 4, 0, 1); }),
              testing::ExitedWithCode(1),
              "^\nchromosome 1: 1/10 completed\\.ERROR: No genotyping file for subject 3\\.\n$");
}

TEST_F(EngineIdentityTest, AStopInsideAWorkerThreadReachesMainWithItsMessage) {
  // 190 pairs in chunks on 4 threads: the failing pair lies in the first chunk
  // or in one that a helper thread takes; either way the stop is raised on
  // the calling thread after the join, with the message it was made with.
  std::mt19937 rng(5);
  const int n = 20;
  buildGenome({evenSlot(300)}, n);
  settings.threshold = 1.0;
  for (int st = 0; st <= n; ++st) setCalls(0, st, 0, randomCalls(rng, 300, 0.1));
  attach(0, 0);
  openTempFiles();
  setEngineThreads(4);
  for (long pair : {3L, 150L}) {
    setEngineFailureAtPair(pair);
    try {
      countRCHHSharedByMultiplePatients(0, n, 0, 1);
      ADD_FAILURE() << "no stop";
    } catch (const FatalError& error) {
      EXPECT_EQ(error.message, "ERROR: Injected failure at pair " + std::to_string(pair) +
                                   " of chromosome slot 0\n");
    }
  }
  setEngineFailureAtPair(150);
  EXPECT_EXIT(asMain([&] { countRCHHSharedByMultiplePatients(0, n, 0, 1); }),
              testing::ExitedWithCode(1),
              "ERROR: Injected failure at pair 150 of chromosome slot 0\n$");
  setEngineFailureAtPair(-1);
  setEngineThreads(0);
}
