// Reading the analysis file: labels, sections, trimming, checks and report lines.
#include "driver/analysis_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/harness.h"
#include "genome/model.h"

namespace {

class AnalysisFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetModel();
    dir.write("annot.txt", "1\t100\t0.5\trs1\t0.1\n");
    dir.write("p1.txt", "rs1\tAA\n");
    dir.write("p2.txt", "rs1\tBB\n");
    dir.write("c1.txt", "rs1\tAB\n");
    dir.write("excl.txt", "");
    dir.write("target.txt", "");
    dir.write("out/.keep", "");
  }

  std::string p(const std::string& name) const { return dir.file(name); }

  // Writes the analysis file and reads it, returning what went to standard error.
  std::string readWith(const std::string& text) {
    dir.write("analysis.txt", text);
    ::testing::internal::CaptureStderr();
    readAnalysisFile(p("analysis.txt"));
    return ::testing::internal::GetCapturedStderr();
  }

  std::string standard() const {
    return "::annotation file\n" + p("annot.txt") + "\n::excluded area file\n::patient pool\n" +
           p("p1.txt") + "\n" + p("p2.txt") + "\n::control pool\n" + p("c1.txt") +
           "\n::output directory\n" + p("out/") + "\n";
  }

  ScratchDir dir;
};

TEST_F(AnalysisFileTest, StandardFileReportsEverythingInOrder) {
  std::string err = readWith(standard() + "::use large gap\nNO\n");
  EXPECT_EQ(err, "Annotation file:\t" + p("annot.txt") +
                     "\nExcluded area file is not set.\nTarget area file is not set.\n"
                     "Patient pool:\ta total of 2 patients\n\t" +
                     p("p1.txt") + "\n\t" + p("p2.txt") +
                     "\nControl pool:\ta total of 1 subjects\n\t" + p("c1.txt") +
                     "\nOutput directory:\t" + p("out/") + "\n");
  EXPECT_EQ(settings.noTgPool[0], 2);
  EXPECT_EQ(settings.noTgPool[1], 1);
  EXPECT_EQ(settings.stFile[1][0], p("c1.txt"));
  EXPECT_EQ(settings.largeGap, 900000000);
  EXPECT_EQ(settings.exclusionFilePath, "");
  EXPECT_FALSE(dir.exists("out/____temp____"));
}

TEST_F(AnalysisFileTest, ReversedLabelsCommentsTrimmingAndRepeatedLabels) {
  std::string text = ":: a comment that matches no label\n::output directory\n  " + p("out/") +
                     "\t\n::control pool\n: another comment\n::patient pool\n\n  " + p("p2.txt") +
                     " \n\t\n" + p("p1.txt") + "\n::patient pool\n" + p("c1.txt") +
                     "\n::excluded area fixed\n::annotation file\n\n" + p("annot.txt") +
                     "\nignored second value\n";
  std::string err = readWith(text);
  EXPECT_EQ(settings.noTgPool[0], 2);
  EXPECT_EQ(settings.stFile[0][0], p("p2.txt"));
  EXPECT_EQ(settings.stFile[0][1], p("p1.txt"));
  EXPECT_EQ(settings.noTgPool[1], 0);
  EXPECT_EQ(settings.outputFilePath, p("out/"));
  EXPECT_EQ(settings.annotationFilePath, p("annot.txt"));
  EXPECT_EQ(settings.largeGap, 300000);
  EXPECT_NE(err.find("Control pool is not used.\n"), std::string::npos);
  EXPECT_EQ(err.find("Control pool:"), std::string::npos);
}

TEST_F(AnalysisFileTest, ExcludedAreaWinsOverTarget) {
  std::string text = standard();
  text.replace(
      text.find("::excluded area file\n"), 21,
      "::excluded area file\n" + p("excl.txt") + "\n::target area fi\n" + p("target.txt") + "\n");
  std::string err = readWith(text);
  EXPECT_EQ(settings.exclusionFilePath, p("excl.txt"));
  EXPECT_EQ(settings.targetFilePath, "");
  EXPECT_NE(err.find("Excluded area file:\t" + p("excl.txt") + "\n"), std::string::npos);
  EXPECT_EQ(err.find("Target"), std::string::npos);

  resetModel();
  text = standard() + "::target area fi\n" + p("target.txt") + "\n";
  err = readWith(text);
  EXPECT_EQ(settings.targetFilePath, p("target.txt"));
  EXPECT_NE(err.find("Excluded area file is not set.\nTarget area file:\t" + p("target.txt")),
            std::string::npos);
}

TEST_F(AnalysisFileTest, LargeGapSwitchReadsTheRawNextLine) {
  const std::pair<std::string, int64_t> cases[] = {
      {"::use large gap\nNOT\n", 900000000}, {"::use large gap\nNOW\n", 900000000},
      {"::use large gap\nno\n", 300000},     {"::use large gap\n NO\n", 300000},
      {"::use large gap", 300000},           {"::use large gap\n:NO\n", 300000},
      {"::use large gap\nN\n", 300000},      {"::use large gap\r\nNO", 900000000}};
  for (const auto& [tail, expected] : cases) {
    resetModel();
    readWith(standard() + tail);
    EXPECT_EQ(settings.largeGap, expected) << tail;
  }
}

TEST_F(AnalysisFileTest, OutputDirectoryWithoutSeparatorIsAPlainPrefix) {
  std::string text = standard();
  text.replace(text.find(p("out/")), p("out/").size(), p("out"));
  dir.write("out____temp____", "old content");
  readWith(text);
  EXPECT_EQ(settings.outputFilePath, p("out"));
  EXPECT_FALSE(dir.exists("out____temp____"));  // an existing probe name is replaced, then removed
}

using AnalysisFileDeathTest = AnalysisFileTest;

TEST_F(AnalysisFileDeathTest, EveryMissingOrUnusableEntryStopsTheRun) {
  const std::string base = standard();
  auto without = [&](const std::string& what) {
    std::string t = base;
    t.erase(t.find(what), what.size());
    return t;
  };
  auto replaced = [&](const std::string& what, const std::string& with) {
    std::string t = base;
    t.replace(t.find(what), what.size(), with);
    return t;
  };
  const std::pair<std::string, std::string> cases[] = {
      {replaced("::annotation file", "::Annotation file"),
       "ERROR: '::annotation file' label is not found.\n"},
      {without(p("annot.txt") + "\n"), "ERROR: Annotation file is not set.\n"},
      {replaced(p("annot.txt"), p("missing.txt")), "ERROR: Cannot open annotation file.\n"},
      {replaced(p("annot.txt"), p("out")), "ERROR: Cannot open annotation file.\n"},
      {without("::excluded area file\n"), "ERROR: '::Excluded area file' label is not found.\n"},
      {replaced("::excluded area file\n", "::excluded area file\n" + p("nope") + "\n"),
       "ERROR: Cannot open excluded area file.\n"},
      {base + "::target area file\n" + p("nope") + "\n", "ERROR: Cannot open target area file.\n"},
      {replaced("::patient pool", "::patients"), "ERROR: '::Patient pool' label is not found.\n"},
      {replaced(p("p1.txt") + "\n" + p("p2.txt") + "\n", "\n"),
       "ERROR: Patient pool is not set.\n"},
      {replaced(p("p2.txt") + "\n", p("p2.txt") + "\nsome comment\n"),
       "ERROR: Patient file some comment is not found.\n"},
      {replaced("::control pool", "::control"), "ERROR: '::Control pool' label is not found.\n"},
      {replaced(p("c1.txt"), p("c9.txt")),
       "ERROR: Control file " + p("c9.txt") + " is not found.\n"},
      {replaced("::output directory", "::output dir"),
       "ERROR: Output director label is not found.\n"},
      {without(p("out/") + "\n"), "ERROR: Output directory is not set.\n"},
      {replaced(p("out/"), p("absent/")), "ERROR: Output directory does not exist.\n"},
  };
  for (const auto& [text, message] : cases) {
    dir.write("analysis.txt", text);
    EXPECT_EXIT(asMain([&] { readAnalysisFile(p("analysis.txt")); }), ::testing::ExitedWithCode(1),
                message)
        << message;
  }
  EXPECT_EXIT(asMain([&] { readAnalysisFile(p("no-such-analysis.txt")); }),
              ::testing::ExitedWithCode(1), "ERROR: Analysis file is not found.\n");
}

TEST_F(AnalysisFileDeathTest, OverlongOutputNamesAreRefusedBeforeAnythingIsWritten) {
  std::string deep = "out/";
  while (deep.size() < 990) deep += "d123456789/";
  std::filesystem::create_directories(p(deep));
  std::string text = standard();
  text.replace(text.find(p("out/")), p("out/").size(), p(deep));
  dir.write("analysis.txt", text);
  EXPECT_EXIT(asMain([&] { readAnalysisFile(p("analysis.txt")); }), ::testing::ExitedWithCode(1),
              "ERROR: Output file name is longer than 999 characters");
  EXPECT_TRUE(dir.list(deep).empty());
}

}  // namespace
