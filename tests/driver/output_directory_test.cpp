// The room check of the temporary pair files: the estimate grows with the
// pairs, the analysed chromosomes and the names, and a file system without
// that room stops the run before any pair file is written.
#include "driver/output_directory.h"

#include <gtest/gtest.h>

#include "common/harness.h"
#include "genome/model.h"

TEST(PairFileSpace, TheEstimateCountsEveryRowOfTheLargestPoolAndTooLittleRoomStops) {
  resetModel();
  genome.lastChromosome = 4;                 // chromosomes 1-3 analysed, 4 is X
  genome.chrPosition = {0, 10, 10, 25, 30};  // chromosome 2 holds no SNP
  settings.outputFilePath = "out/";
  settings.noTgPool[enum_patients] = 2000;
  settings.noTgPool[enum_controls] = 3;
  for (int v = 0; v < 2000; ++v)
    settings.stFile[enum_patients].push_back("dir/p" + std::to_string(10000 + v) + ".txt");
  settings.stFile[enum_controls] = {"c1.txt", "c2.txt", "c3.txt"};
  // 1 999 000 pairs x 2 chromosomes x (2x4 digits + 4 + 90 + 2x10 name characters).
  const uint64_t expected = 1999000ull * 2 * 122;
  EXPECT_EQ(estimatedPairFileBytes(), expected);
  requirePairFileSpace(expected);  // exactly enough
  EXPECT_EXIT(asMain([&] { requirePairFileSpace(100ull << 20); }), testing::ExitedWithCode(1),
              "^ERROR: The temporary pair files of this run need about 465\\.2 MB, but the file "
              "system of the output directory out/ has only 100\\.0 MB free\\.\n$");
  resetModel();
}
