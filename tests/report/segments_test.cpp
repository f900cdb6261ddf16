// Segments: how Set_up_start_end flags runs of values and how the writers'
// walk reads them back.
#include "common/harness.h"
#include "report_fixture.h"

namespace {

class SegmentTest : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    // Slot 0: SNPs 0..7 every 1 kb; slot 1: SNPs 8..11; slot 2 (X): SNPs 12..13.
    buildGenome(
        {{1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000}, {1000, 2000, 3000, 4000}, {1000, 2000}});
  }
};

TEST_F(SegmentTest, Mode0SplitsOnEveryChangeMode1JoinsAboveThreshold) {
  addRegion(0, 7);
  setValues(enum_patients, 0, {0, 3, 4, 4, 0, 2, 0, 5});

  EXPECT_EQ(Set_up_start_end(0, 0, enum_patients, 0), 1);
  // 3 and 4 are two segments; value 0 is never part of one; SNP 1 and SNP 7
  // (the region's last SNP) are one-SNP segments.
  EXPECT_EQ(segments(), "1-1 2-3 5-5 7-7 ");
  EXPECT_EQ(genome.sumSNP[1].startFlag, 1);
  EXPECT_EQ(genome.sumSNP[1].endFlag, 1);
  EXPECT_EQ(genome.sumSNP[0].startFlag + genome.sumSNP[0].endFlag, 0);

  EXPECT_EQ(Set_up_start_end(3, 1, enum_patients, 0), 1);
  EXPECT_EQ(segments(), "1-3 7-7 ");

  // Mode 0 with a threshold: values below it do not count.
  EXPECT_EQ(Set_up_start_end(4, 0, enum_patients, 0), 1);
  EXPECT_EQ(segments(), "2-3 7-7 ");

  // Nothing reaches 6: every flag of the slot is cleared.
  EXPECT_EQ(Set_up_start_end(6, 1, enum_patients, 0), 0);
  for (int64_t i = 0; i < 8; ++i) {
    EXPECT_EQ(genome.sumSNP[i].startFlag, 0) << i;
    EXPECT_EQ(genome.sumSNP[i].endFlag, 0) << i;
  }

  // An unknown mode marks nothing.
  EXPECT_EQ(Set_up_start_end(0, 2, enum_patients, 0), 0);
  EXPECT_EQ(segments(), "");

  // The column chooses the values; a negative value reads as a huge unsigned one.
  setValues(enum_controls, 0, {0, 0, -1, -1, 0, 0, 0, 0});
  EXPECT_EQ(Set_up_start_end(4000000000u, 1, enum_controls, 0), 1);
  EXPECT_EQ(segments(), "2-3 ");
}

TEST_F(SegmentTest, GapOfLargeGapEndsASegmentOneBpLessDoesNot) {
  const int64_t gap = settings.largeGap;
  genome.sumSNP[1].position = genome.sumSNP[0].position + gap;
  genome.sumSNP[2].position = genome.sumSNP[1].position + gap - 1;
  for (int64_t i = 3; i < 8; ++i) genome.sumSNP[i].position = genome.sumSNP[i - 1].position + 1000;
  addRegion(0, 3);
  setValues(enum_patients, 0, {2, 2, 2, 2});

  EXPECT_EQ(Set_up_start_end(2, 1, enum_patients, 0), 1);
  EXPECT_EQ(segments(), "0-0 1-3 ");
  EXPECT_EQ(Set_up_start_end(0, 0, enum_patients, 0), 1);
  EXPECT_EQ(segments(), "0-0 1-3 ");

  settings.largeGap = kLargeGapOff;
  EXPECT_EQ(Set_up_start_end(2, 1, enum_patients, 0), 1);
  EXPECT_EQ(segments(), "0-3 ");
}

TEST_F(SegmentTest, RegionsBoundRunsAndOtherChromosomesKeepTheirFlags) {
  addRegion(0, 3);
  addRegion(4, 5);   // continues the same value right after SNP 3
  addRegion(7, 6);   // empty
  addRegion(8, 11);  // slot 1
  setValues(enum_patients, 0, {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2});
  // Flags left by an earlier scan: on SNP 6 (slot 0, in no region), on slot 1
  // and on X.
  genome.sumSNP[6].startFlag = genome.sumSNP[6].endFlag = 1;
  genome.sumSNP[9].startFlag = 1;
  genome.sumSNP[10].endFlag = 1;
  genome.sumSNP[12].startFlag = genome.sumSNP[13].endFlag = 1;

  EXPECT_EQ(Set_up_start_end(1, 1, enum_patients, 0), 1);
  EXPECT_EQ(segments(0), "0-3 4-5 ");
  EXPECT_EQ(genome.sumSNP[6].startFlag + genome.sumSNP[6].endFlag, 0);
  EXPECT_EQ(segments(1), "9-10 ");
  EXPECT_EQ(genome.sumSNP[12].startFlag, 1);
  EXPECT_EQ(genome.sumSNP[13].endFlag, 1);
  EXPECT_EQ(segments(), "0-3 4-5 9-10 ");
}

TEST_F(SegmentTest, WalkSkipsAStartWithoutAnEndInItsRegion) {
  addRegion(0, 3);
  addRegion(4, 7);
  addRegion(8, 11);
  genome.sumSNP[0].startFlag = 1;
  genome.sumSNP[1].endFlag = 1;
  genome.sumSNP[2].startFlag = 1;  // its only end flag lies in the next region
  genome.sumSNP[5].startFlag = 1;
  genome.sumSNP[5].endFlag = 1;
  genome.sumSNP[6].endFlag = 1;  // an end without a start is passed over
  genome.sumSNP[9].startFlag = 1;
  genome.sumSNP[9].endFlag = 1;
  genome.sumSNP[10].startFlag = 1;  // runs off the last region
  EXPECT_EQ(segments(), "0-1 5-5 9-9 ");
  EXPECT_EQ(segments(0), "0-1 5-5 ");
  EXPECT_EQ(segments(1), "9-9 ");
  EXPECT_EQ(segments(2), "");
}

TEST_F(SegmentTest, EmptySlotAndBadSlot) {
  resetModel();
  buildGenome({{1000}, {}, {1000}});
  addRegion(0, 0);
  EXPECT_EQ(Set_up_start_end(0, 1, enum_patients, 1), 0);
  EXPECT_EXIT(asMain([&] { Set_up_start_end(0, 1, enum_patients, 3); }),
              ::testing::ExitedWithCode(1), "^ERROR: ");
}

}  // namespace
