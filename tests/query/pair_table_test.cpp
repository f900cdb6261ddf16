// The pair table: totals over slots, line ends, short or broken temporary
// files, values that are not numbers, and the table of a real pass.
#include <gtest/gtest.h>

#include <random>

#include "common/harness.h"
#include "genome/reader_threads.h"
#include "hh/engine_fixture.h"
#include "hh/hh.h"
#include "query/query.h"

namespace {

const char* kHeader =
    "( St1, St2 )\t'Cutoff(cM)'\t'File names'\t\t'cM conserved'\t 'Ratio'\t'No. SNP St1'\t"
    "'No. SNP St2'\t'Type A FP'\t'Type B FP'\n";

std::string table(int n, int representative) {
  testing::internal::CaptureStderr();
  displayHHInformation(n, representative);
  return testing::internal::GetCapturedStderr();
}

}  // namespace

class PairTableTest : public EngineTest {
 protected:
  // Slots of 100 cM, none, and 50 cM (150 cM without X).
  void SetUp() override {
    EngineTest::SetUp();
    buildGenome({{{1000, 1.0}, {900000, 101.0}}, {}, {{1000, 1.0}, {500000, 51.0}}}, 3);
  }
};

TEST_F(PairTableTest, TotalsWeightedBySlotLengthWhateverTheLineEnds) {
  writeFile(tempFileName(0),
            "(1,2)\t     2.00\tsubject1.txt\tsubject2.txt\t      30.00\t   0.3000\t           100\t"
            "            90\t       0.1000\t       0.0500\n"
            "(1,3)\t     2.00\tsubject1.txt\tsubject3.txt\t       0.00\t   0.0000\t           100\t"
            "            80\t       0.3000\t       0.0000\n"
            "(2,3)\t     2.00\tsubject2.txt\tsubject3.txt\t     100.00\t   1.0000\t            90\t"
            "            80\t       1.0000\t       1.0000\n");
  // CR LF here, the names differ and one extra row follows: the last slot's
  // label, names and cutoff text stand; the extra row is not read.
  writeFile(tempFileName(2),
            "(1,2)\t     2.50\ta\tb\t      10.00\t   0.2000\t            40\t            30\t"
            "       0.4000\t       0.2000\r\n"
            "(1,3)\t 2.00\ta\tc\t0\t0\t40\t20\t0.3\t0\r\n"
            "(2,3)\t 2.00\tb\tc\t50\t1\t30\t20\t0.0\t0.6\r\n"
            "(9,9)\tjunk\r\n");
  EXPECT_EQ(table(3, 0), std::string(kHeader) +
                             "(1,2)\t2.50\ta\tb\t40.0\t0.267\t140\t120\t0.200\t0.100\n"
                             "(1,3)\t2.50\ta\tc\t0.0\t0.000\t140\t100\t0.300\t0.000\n"
                             "(2,3)\t2.50\tb\tc\t150.0\t1.000\t120\t100\t0.667\t0.867\n");
}

TEST_F(PairTableTest, BareCarriageReturnsAndEmptyPoolOfOne) {
  writeFile(tempFileName(0), "(1,representative)\t1\tx\trepresentative\t5\t0\t1\t2\t0\t0\r");
  writeFile(tempFileName(2), "(1,representative)\t1\tx\trepresentative\t5\t0\t1\t2\t0\t0\r");
  EXPECT_EQ(table(1, 1),
            std::string(kHeader) +
                "(1,representative)\t1\tx\trepresentative\t10.0\t0.067\t2\t4\t0.000\t0.000\n");
  EXPECT_EQ(table(1, 0), kHeader);  // no pair
}

TEST_F(PairTableTest, NotANumberPropagatesAndLongNamesStayWhole) {
  const std::string longName(300, 'n');
  writeFile(tempFileName(0), "(1,2)\t2.00\t" + longName + "\tb\t0.00\t-nan\t1\t1\t-nan\tnan\n");
  writeFile(tempFileName(2), "(1,2)\t2.00\t" + longName + "\tb\t1.00\t0.5\t1\t0\tinf\t0.1\n");
  EXPECT_EQ(table(2, 0), std::string(kHeader) + "(1,2)\t2.00\t" + longName +
                             "\tb\t1.0\t0.007\t2\t1\t-nan\tnan\n");
}

TEST_F(PairTableTest, BrokenTemporaryFilesStopTheRun) {
  const std::string row = "(1,2)\t2.00\ta\tb\t1\t1\t1\t1\t1\t1\n";
  const std::string inappropriate = "'Type B FP'\nERROR: Inappropriate temporary file\\.\n$";
  writeFile(tempFileName(0), row + row + row);
  struct Case {
    const char* what;
    std::string slot2;
  };
  const Case cases[] = {
      {"fewer rows than pairs", row + row},
      {"a row of nine fields", row + "(1,3)\t2.00\ta\tc\t1\t1\t1\t1\t1\n" + row},
      {"a line of 10000 characters", row + std::string(10000, 'x') + "\n" + row},
      {"a lone carriage return at the end", row + row + "\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeFile(tempFileName(2), c.slot2);
    EXPECT_EXIT(asMain([&] { displayHHInformation(3, 0); }), testing::ExitedWithCode(1),
                inappropriate);
  }
  // 9999 characters and a line end still fit.
  writeFile(tempFileName(2),
            row + "(1,3)\t2.00\ta\tc\t1\t1\t1\t1\t1\t1" + std::string(9999 - 27, ' ') + "\n" + row);
  EXPECT_NE(table(3, 0).find("(1,3)\t2.00\ta\tc\t2.0\t"), std::string::npos);
  std::filesystem::remove(tempFileName(2));
  EXPECT_EXIT(asMain([&] { displayHHInformation(3, 0); }), testing::ExitedWithCode(1),
              "^ERROR: Cannot read temporary file .*tempFile002\\.txt\n$");
}

TEST_F(EngineTest, TableOfAPassAndOfARepresentativePass) {
  buildGenome({{{1000, 0.0}, {2000, 1.0}, {3000, 2.5}, {4000, 3.0}, {5000, 6.0}, {6000, 7.0}}}, 2);
  setCalls(0, 0, 0, {1, 1, 1, 1, 3, 1});
  setCalls(0, 1, 0, {1, 0, 1, 2, 1, 1});
  settings.threshold = 2.0;
  openTempFiles();
  attach(0, 0);
  testing::internal::CaptureStderr();
  countRCHHSharedByMultiplePatients(0, 2, 0, 1);
  testing::internal::GetCapturedStderr();
  obtainRepresentativeHH(0);  // AA everywhere (freqA 0.25)
  releaseSlotScratch(0);
  closeTempFiles();
  EXPECT_EQ(table(2, 0),
            std::string(kHeader) +
                "(1,2)\t2.00\tsubject1.txt\tsubject2.txt\t7.0\t1.000\t6\t5\t0.995\t2.844\n");

  openTempFiles();
  attachSlotScratch(0, 0, 3, 3);
  testing::internal::CaptureStderr();
  countRCHHSharedWithRepresentativePatients(0, 2, 0);
  testing::internal::GetCapturedStderr();
  releaseSlotScratch(0);
  closeTempFiles();
  const std::string rep = table(2, 1);
  EXPECT_NE(
      rep.find("\n(1,representative)\t2.00\tsubject1.txt\trepresentative\t7.0\t1.000\t6\t6\t"),
      std::string::npos);
  EXPECT_NE(
      rep.find("\n(2,representative)\t2.00\tsubject2.txt\trepresentative\t7.0\t1.000\t5\t6\t"),
      std::string::npos);
}

// Slots read on threads add up as reading them in turn: random rows on seven
// slots, with names that differ between slots and with one slot broken.
TEST_F(EngineTest, ThreadsReadingTheSlotsGiveTheTableOfOne) {
  std::vector<std::vector<SnpPlan>> slots;
  for (int k = 0; k < 7; ++k) {
    if (k == 3) {
      slots.push_back({});  // no pair file
    } else {
      slots.push_back({{1000, 1.0}, {900000, 2.0 + 13.0 * k}});
    }
  }
  buildGenome(slots, 5);
  std::mt19937 random(99);
  const auto number = [&](int scale) {
    return static_cast<double>(random() % 100000) / 1000.0 * scale;
  };
  const auto writeSlots = [&](int brokenSlot) {
    for (int k = 0; k < 7; ++k) {
      if (k == 3) continue;
      std::string rows;
      char row[256];
      for (int a = 1; a <= 5; ++a) {
        for (int b = a + 1; b <= 5; ++b) {
          if (k == brokenSlot && a == 2 && b == 4) {
            rows.append("(2,4)\tbroken\n");
            continue;
          }
          const double cM = number(10);
          const long snps1 = static_cast<long>(random() % 50000);
          const long snps2 = static_cast<long>(random() % 50000);
          const double typeA = number(1), typeB = number(1);
          std::snprintf(row, sizeof row, "(%d,%d)\t2.%d\ts%d_%d\ts%d\t%f\t0\t%ld\t%ld\t%f\t%f\n", a,
                        b, k, a, k, b, cM, snps1, snps2, typeA, typeB);
          rows.append(row);
        }
      }
      writeFile(tempFileName(k), rows);
    }
  };
  writeSlots(-1);
  std::string tables[3];
  for (unsigned threads : {1u, 2u, 4u}) {
    setGenotypeReaderThreads(threads);
    tables[threads / 2] = table(5, 0);
  }
  EXPECT_EQ(occurrences(tables[0], "\n"), 11u);
  EXPECT_NE(tables[0].find("\ts1_6\ts2\t"), std::string::npos);  // the last slot's names
  EXPECT_NE(tables[0].find(")\t2.6\t"), std::string::npos);      // and cutoff text
  EXPECT_EQ(tables[1], tables[0]);
  EXPECT_EQ(tables[2], tables[0]);
  // A broken row in a middle slot stops the run whichever thread reads it.
  writeSlots(2);
  for (unsigned threads : {1u, 4u}) {
    setGenotypeReaderThreads(threads);
    EXPECT_EXIT(asMain([&] { displayHHInformation(5, 0); }), testing::ExitedWithCode(1),
                "'Type B FP'\nERROR: Inappropriate temporary file\\.\n$");
  }
  setGenotypeReaderThreads(0);
}
