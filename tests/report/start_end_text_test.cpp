// The start/end lists: title line, one start and one end line per segment.
#include "common/harness.h"
#include "report_fixture.h"

namespace {

class StartEndTextTest : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    buildGenome({{1000, 2500, 3000000, 3100001}, {500, 600}, {700}});
    addRegion(0, 3);
    addRegion(4, 5);
    setValues(enum_controls, 0, {7, 0, 4, 4, 1, 1});
    Set_up_start_end(0, 0, enum_controls, 0);
    Set_up_start_end(0, 0, enum_controls, 1);
    for (int64_t i = 0; i < 6; ++i) {
      genome.sumSNP[i].minusLogP = 0.25f * static_cast<float>(i);
      genome.sumSNP[i].overlapCount[0] = static_cast<int32_t>(10 + i);
      genome.sumSNP[i].overlapCount[1] = static_cast<int32_t>(20 + i);
    }
  }
};

TEST_F(StartEndTextTest, FoldOverlapList) {
  const std::string path = dir + "HH_list.txt";
  write(path, "old content that must go\n");
  EXPECT_EQ(Output_start_end_text(path, "No_of_samples 4", enum_controls), 0);
  EXPECT_EQ(read(path),
            "No_of_samples 4\n"
            "1\t1000\t0.001000\trs0\t7\tstart\n"
            "1\t1000\t0.001000\trs0\t7\tend\n"
            "1\t3000000\t3.000000\trs2\t4\tstart\n"
            "1\t3100001\t3.100001\trs3\t4\tend\n"
            "2\t500\t0.000500\trs4\t1\tstart\n"
            "2\t600\t0.000600\trs5\t1\tend\n");

  // An empty title writes no title line; another column prints its own values.
  EXPECT_EQ(Output_start_end_text(path, "", enum_patients), 0);
  const std::string firstTwo = "1\t1000\t0.001000\trs0\t0\tstart\n1\t1000\t0.001000\trs0\t0\tend\n";
  EXPECT_EQ(read(path).substr(0, firstTwo.size()), firstTwo);
}

TEST_F(StartEndTextTest, PValueListForKnownKindsOnly) {
  const std::string path = dir + "HH_P.txt";
  EXPECT_EQ(fOutput_start_end_text(path, "title", enum_significance), 0);
  EXPECT_EQ(read(path),
            "title\n"
            "1\t1000\t0.001000\trs0\t0.000000\t10\t20\tstart\n"
            "1\t1000\t0.001000\trs0\t0.000000\t10\t20\tend\n"
            "1\t3000000\t3.000000\trs2\t0.500000\t12\t22\tstart\n"
            "1\t3100001\t3.100001\trs3\t0.750000\t13\t23\tend\n"
            "2\t500\t0.000500\trs4\t1.000000\t14\t24\tstart\n"
            "2\t600\t0.000600\trs5\t1.250000\t15\t25\tend\n");
  const std::string patients = read(path);
  EXPECT_EQ(fOutput_start_end_text(path, "title", enum_patients), 0);
  EXPECT_EQ(read(path), patients);

  EXPECT_EQ(fOutput_start_end_text(path, "title", 3), 0);
  EXPECT_EQ(read(path), "title\n");
  EXPECT_EQ(fOutput_start_end_text(path, "", -1), 0);
  EXPECT_EQ(read(path), "");
}

TEST_F(StartEndTextTest, UnwritablePathsStopTheRun) {
  const std::string path = dir + "missing/HH_x.txt";
  EXPECT_EXIT(asMain([&] { Output_start_end_text(path, "", 0); }), ::testing::ExitedWithCode(1),
              "^ERROR: Can't output\"" + path + "\"\n$");
  EXPECT_EXIT(asMain([&] { fOutput_start_end_text(path, "", 0); }), ::testing::ExitedWithCode(1),
              "^\nCan't output\"" + path + "\"\n$");
}

}  // namespace
