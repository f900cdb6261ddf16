// velmora-tracks: the three shapes of start/end list to BED, line by line, and
// faulty lists refused without a BED left behind.
#include <gtest/gtest.h>

#include "import/interchange.h"

namespace {

const char* const kFoldList =
    "7\t5860828\t10.500000\trs1\tstart\tSubjects\t p01.txt p02.txt p03.txt\n"
    "7\t20269647\t30.200000\trs2\tend\tSubjects\t p01.txt p02.txt\n"
    "2\t100\t0.100000\trs3\tstart\tSubjects\t\n"
    "2\t100\t0.100000\trs3\tend\tSubjects\t\n";

const char* const kLevelList =
    "No_of_samples 6\n"
    "1\t1000\t0.500000\trsa\t2\tstart\n"
    "1\t5000\t0.900000\trsb\t2\tend\n"
    "23\t10\t0.100000\trsx\t6\tstart\n"
    "23\t20\t0.200000\trsy\t6\tend\n";

const char* const kPValueList =
    "1\t100\t0.100000\trs1\t2.210000\t5\t1\tstart\n"
    "1\t300\t0.300000\trs3\t2.210000\t5\t1\tend\n"
    "3\t50\t0.100000\trs4\t0.301030\t2\t2\tstart\n"
    "3\t50\t0.100000\trs4\t0.301030\t2\t2\tend\n";

RunResult tracks(const std::vector<std::string>& args) {
  std::vector<std::string> argv{toolPath("velmora-tracks")};
  argv.insert(argv.end(), args.begin(), args.end());
  return runProgram(argv, "");
}

TEST(TrackConversion, EveryListOfAnOutputDirectoryBecomesABedTrack) {
  ScratchDir dir;
  dir.write("out/HH_003_FoldOverlaps_PatientPool.txt", kFoldList);
  dir.write("out/HH_NoStSharingRCHHs_PatientPool.txt", kLevelList);
  dir.write("out/HH_P_Value_PatientPool_vs_ControlPool.txt", kPValueList);
  dir.write("out/HH_FoldOverlap_Summary_PatientPool.txt", "not a start/end list\n");
  RunResult r = tracks({"--x-number", "23", dir.file("out")});
  ASSERT_EQ(r.status, 0) << r.err;

  EXPECT_EQ(linesOf(dir.read("out/HH_003_FoldOverlaps_PatientPool.bed")),
            (std::vector<std::string>{
                "track name=\"HH_003_FoldOverlaps_PatientPool\" description=\"velmora: RCHH "
                "stretches and the "
                "subjects sharing them\" visibility=pack useScore=1",
                "chr7\t5860827\t20269647\tp01.txt,p02.txt,p03.txt\t1000",
                "chr2\t99\t100\t-\t0",
            }));
  EXPECT_EQ(linesOf(dir.read("out/HH_NoStSharingRCHHs_PatientPool.bed")),
            (std::vector<std::string>{
                "track name=\"HH_NoStSharingRCHHs_PatientPool\" description=\"velmora: stretches "
                "of constant fold "
                "overlap (subjects sharing)\" visibility=pack useScore=1",
                "chr1\t999\t5000\t2_of_6_sharing\t333",
                "chrX\t9\t20\t6_of_6_sharing\t1000",
            }));
  std::vector<std::string> pValues =
      linesOf(dir.read("out/HH_P_Value_PatientPool_vs_ControlPool.bed"));
  ASSERT_EQ(pValues.size(), 3u);
  EXPECT_EQ(pValues[1], "chr1\t99\t300\t-log10p=2.210,patients=5,controls=1\t1000");
  EXPECT_EQ(pValues[2], "chr3\t49\t50\t-log10p=0.301,patients=2,controls=2\t136");
  EXPECT_EQ(dir.list("out").size(), 7u);  // four lists, three tracks: the summary is no list

  dir.write("beds/.keep", "");
  r = tracks({"--no-chr-prefix", "--outdir", dir.file("beds"),
              dir.file("out/HH_P_Value_PatientPool_vs_ControlPool.txt")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(linesOf(dir.read("beds/HH_P_Value_PatientPool_vs_ControlPool.bed"))[2],
            "3\t49\t50\t-log10p=0.301,patients=2,controls=2\t136");
}

TEST(TrackConversion, FaultyListsAreRefusedWithTheirLine) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"7\t100\t0.1\trs1\tend\tSubjects\t p01.txt\n", "line 1: an end line without a start line"},
      {"1\t100\t0.1\trs1\t2\tstart\n1\t200\t0.2\trs2\t2\tstart\n",
       "line 2: a start line follows a start line"},
      {"1\t100\t0.1\trs1\t2\tstart\n1\t200\t0.2\trs2\t1.0\t2\t2\tend\n",
       "line 2: its columns differ"},
      {"1\t300\t0.1\trs1\t2\tstart\n1\t200\t0.2\trs2\t2\tend\n",
       "line 2: the end line does not close"},
      {"1\t100\t0.1\trs1\t2\tstart\n2\t200\t0.2\trs2\t2\tend\n",
       "line 2: the end line does not close"},
      {"one\t100\t0.1\trs1\t2\tstart\n", "line 1: chromosome 'one' is not a number"},
      {"Writing the list\n", "line 1: not a line of a velmora start/end list"},
      {"1\t100\t0.1\trs1\t2\tstart\n", "the last start line has no end line"},
  };
  for (const auto& [text, message] : cases) {
    ScratchDir dir;
    dir.write("HH_NoStSharingRCHHs_PatientPool.txt", text);
    RunResult r = tracks({dir.file("HH_NoStSharingRCHHs_PatientPool.txt")});
    EXPECT_EQ(r.status, 1) << message;
    EXPECT_NE(r.err.find("ERROR: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_FALSE(dir.exists("HH_NoStSharingRCHHs_PatientPool.bed")) << message;
  }
  ScratchDir empty;
  RunResult none = tracks({empty.path()});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("ERROR: no velmora start/end list found"), std::string::npos);
}

// velmora writes " name" per sharing subject, so names with blanks are read
// back by the analysis file's genotyping file names, longest first.
TEST(TrackConversion, TheAnalysisFileTellsNamesWithBlanks) {
  ScratchDir dir;
  dir.write("analysis.txt",
            "::annotation file\n/d/annotation.txt\n::excluded area file\n"
            "::patient pool\n/d/p 01.txt\n/d/p\n/d/p02.txt\n/d/a b\n/d/a\n"
            "::control pool\n/e/b c\n::output directory\n/d/out/\n");
  const std::string list = "HH_002_FoldOverlaps_PatientPool.txt";
  dir.write(list,
            "7\t100\t0.1\trs1\tstart\tSubjects\t p 01.txt p02.txt\n"
            "7\t900\t0.9\trs2\tend\tSubjects\t p 01.txt\n"
            "8\t100\t0.1\trs3\tstart\tSubjects\t p p02.txt a b c\n"
            "8\t900\t0.9\trs4\tend\tSubjects\t p\n");
  RunResult r = tracks({"--analysis", dir.file("analysis.txt"), dir.file(list)});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> bed = linesOf(dir.read("HH_002_FoldOverlaps_PatientPool.bed"));
  ASSERT_EQ(bed.size(), 3u);
  // "p 01.txt" wins over "p"; "a b c" is "a" then the control "b c", the
  // only reading that leaves no rest; blanks in a name are written %20.
  EXPECT_EQ(bed[1], "chr7\t99\t900\tp%2001.txt,p02.txt\t500");
  EXPECT_EQ(bed[2], "chr8\t99\t900\tp,p02.txt,a,b%20c\t1000");

  // Without the analysis file the names are split at blanks, as before.
  r = tracks({dir.file(list)});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(linesOf(dir.read("HH_002_FoldOverlaps_PatientPool.bed"))[1],
            "chr7\t99\t900\tp,01.txt,p02.txt\t600");

  // A name the analysis file does not know is refused and the BED of the
  // earlier run stays as it was.
  std::string before = dir.read("HH_002_FoldOverlaps_PatientPool.bed");
  dir.write(list,
            "7\t100\t0.1\trs1\tstart\tSubjects\t p 01.txt p03.txt\n"
            "7\t900\t0.9\trs2\tend\tSubjects\t p 01.txt\n");
  r = tracks({"--analysis", dir.file("analysis.txt"), dir.file(list)});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("ERROR: " + dir.file(list) +
                       " line 1: the subjects ' p 01.txt p03.txt' "
                       "are not names of the analysis file's genotyping files"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(dir.read("HH_002_FoldOverlaps_PatientPool.bed"), before);

  // An analysis file that cannot be read stops before any list is read.
  r = tracks({"--analysis", dir.file("none.txt"), dir.file(list)});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("ERROR: cannot open the analysis file " + dir.file("none.txt")),
            std::string::npos)
      << r.err;
  dir.write("partial.txt", "::annotation file\n/d/annotation.txt\n");
  r = tracks({"--analysis", dir.file("partial.txt"), dir.file(list)});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("has no '::excluded area file' label"), std::string::npos) << r.err;
}

}  // namespace
