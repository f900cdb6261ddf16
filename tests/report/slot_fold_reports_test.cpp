// The fold-count pieces of a slot formatted on threads against the printf
// writers called in turn, on random slots: same pieces byte for byte, same
// flags in the pass and in the SNP records, for 1 and for several threads.
#include <random>

#include "common/harness.h"
#include "report_fixture.h"

namespace {

constexpr int kSubjects = 9;

class SlotFoldReportsTest : public ReportTest {
 protected:
  // Three autosome slots and X with random positions (some gaps at least
  // largeGap), random levels and counters, and regions that may overlap.
  void randomGenome(std::mt19937& random) {
    std::vector<std::vector<int64_t>> positions(4);
    for (auto& chromosome : positions) {
      int64_t bp = 1000;
      const int snps = 20 + static_cast<int>(random() % 60);
      for (int i = 0; i < snps; ++i) {
        bp += random() % 20 == 0 ? settings.largeGap + 5 : 1 + random() % 3000;
        chromosome.push_back(bp);
      }
    }
    buildGenome(positions);
    for (int32_t k = 0; k < 3; ++k) {
      const int64_t s = slotBegin(k), e = slotEnd(k);
      for (int r = 0; r < 3; ++r) {
        const int64_t a = s + static_cast<int64_t>(random() % static_cast<uint64_t>(e - s));
        const int64_t b = a + static_cast<int64_t>(random() % static_cast<uint64_t>(e - a));
        addRegion(a, b);
      }
    }
    settings.noTgPool[enum_patients] = kSubjects;
    settings.stFile[enum_patients].clear();
    for (int l = 0; l < kSubjects; ++l) {
      char name[32];
      std::snprintf(name, sizeof name, "dir/st%d.txt", l);
      settings.stFile[enum_patients].push_back(name);
    }
    allocateGTypes();
    for (SNPRecord& snp : genome.sumSNP) {
      snp.foldOverlap[enum_patients] = static_cast<int64_t>(random() % (kSubjects + 2));
      snp.startFlag = snp.endFlag = 7;
    }
  }

  void randomCounters(int32_t k, std::mt19937& random) {
    attachSlotScratch(k, enum_patients, kSubjects + 1, 0);
    for (int64_t i = slotBegin(k); i < slotEnd(k); ++i) {
      for (int l = 0; l <= kSubjects; ++l) {
        genome.sumSNP[i].rchhCount[l] = static_cast<uint16_t>(random() % (kSubjects + 1));
      }
    }
  }

  static std::string pieceName(long w, const char* extension) {
    char name[32];
    std::snprintf(name, sizeof name, "HH_%ld.%s", w, extension);
    return name;
  }

  // Every piece of the spool, the pass's flags and the records' flags of slot k.
  static std::string outcome(PieceSpool& spool, int32_t k) {
    std::string all;
    for (long w = kSubjects; w >= 2; --w) {
      for (const char* extension : {"ps", "txt"}) {
        char* bytes = nullptr;
        size_t size = 0;
        FILE* out = open_memstream(&bytes, &size);
        const bool has = spool.moveLinesTo(pieceName(w, extension), out);
        std::fclose(out);
        all.append(pieceName(w, extension)).append(has ? "=" : " none\n").append(bytes, size);
        std::free(bytes);
      }
    }
    for (uint8_t flag : pass.foldOverlapFileFlagTXT) all.push_back(static_cast<char>('0' + flag));
    all.push_back('|');
    all.push_back(static_cast<char>('0' + pass.foldOverlapFileFlagPSHeader));
    for (int64_t i = slotBegin(k); i < slotEnd(k); ++i) {
      all.push_back(static_cast<char>('0' + genome.sumSNP[i].startFlag));
      all.push_back(static_cast<char>('0' + genome.sumSNP[i].endFlag));
    }
    return all;
  }

  std::string inTurn(int32_t k) {
    PieceSpool spool(dir);
    pass.foldOverlapFileFlagTXT.assign(kSubjects + 1, 0);
    pass.foldOverlapFileFlagPSHeader = 1;
    for (long w = kSubjects; w >= 2; --w) {
      if (Set_up_start_end(static_cast<uint32_t>(w), 1, enum_patients, k) != 1) continue;
      pass.foldOverlapFileFlagPSHeader = 0;
      spoolBlackAndWhitePS(spool, pieceName(w, "ps"), k);
      spoolFoldOverlapTextHH(spool, pieceName(w, "txt"), kSubjects, w, enum_patients, k,
                             static_cast<int>(w));
    }
    return outcome(spool, k);
  }

  std::string onThreads(int32_t k, int threads) {
    PieceSpool spool(dir);
    pass.foldOverlapFileFlagTXT.assign(kSubjects + 1, 0);
    pass.foldOverlapFileFlagPSHeader = 1;
    for (SNPRecord& snp : genome.sumSNP) snp.startFlag = snp.endFlag = 7;
    spoolSlotFoldReports(spool, enum_patients, kSubjects, k, threads, pieceName);
    return outcome(spool, k);
  }
};

TEST_F(SlotFoldReportsTest, ThreadsWriteWhatTheWritersWroteInTurn) {
  std::mt19937 random(2026);
  int piecesSeen = 0;
  for (int round = 0; round < 40; ++round) {
    resetModel();
    settings.outputFilePath = dir;
    randomGenome(random);
    for (int32_t k = 0; k < 3; ++k) {
      SCOPED_TRACE(testing::Message() << "round " << round << " slot " << k);
      randomCounters(k, random);
      const std::string expected = inTurn(k);
      piecesSeen += static_cast<int>(occurrences(expected, "="));
      EXPECT_EQ(onThreads(k, 1), expected);
      EXPECT_EQ(onThreads(k, 3), expected);
      releaseSlotScratch(k);
    }
  }
  EXPECT_GT(piecesSeen, 200);  // the random slots do reach many fold counts
}

TEST_F(SlotFoldReportsTest, ASlotWithoutCountersStopsAsTheWritersDo) {
  std::mt19937 random(5);
  randomGenome(random);
  genome.sumSNP[slotBegin(0)].foldOverlap[enum_patients] = kSubjects;
  addRegion(slotBegin(0), slotBegin(0));
  pass.foldOverlapFileFlagTXT.assign(kSubjects + 1, 0);
  PieceSpool spool(dir);
  EXPECT_EXIT(
      asMain([&] { spoolSlotFoldReports(spool, enum_patients, kSubjects, 0, 2, pieceName); }),
      ::testing::ExitedWithCode(1),
      "^ERROR: No RCHH counts on chromosome slot 0 for the fold-overlap text\n$");
}

}  // namespace
