// Runs the built annotsum on annotation files written to a temporary directory
// and checks its standard output, standard error and exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

class AnnotsumTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/annotsum_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  std::string write(const std::string& name, const std::string& bytes) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  static std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // `args` is pasted into the shell command as it is.
  RunResult run(const std::string& args) {
    std::string out = dir_ + "/stdout", err = dir_ + "/stderr";
    std::string command =
        std::string(ANNOTSUM_BIN) + " " + args + " >'" + out + "' 2>'" + err + "'";
    int raw = std::system(command.c_str());
    RunResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = slurp(out);
    result.err = slurp(err);
    return result;
  }

  RunResult runOn(const std::string& bytes) { return run("'" + write("annot.txt", bytes) + "'"); }

  void expectBadLine(const std::string& bytes) {
    RunResult r = runOn(bytes);
    EXPECT_EQ(r.status, 1) << bytes;
    EXPECT_EQ(r.out, "ERROR") << bytes;
    EXPECT_EQ(r.err, "") << bytes;
  }

  std::string dir_;
};

TEST_F(AnnotsumTest, TwoLinesOfOneChromosome) {
  RunResult r = runOn("1\t1000\t0.3\trs1\t0.5\n1\t2000\t0.9\trs2\t2.5\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "2\t0.800000\t2.000000\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(AnnotsumTest, SexChromosomesAnd23AreSkippedWithoutEndingARun) {
  // The X and Y lines carry values that would be errors if they were tested,
  // and lie between two chromosome-2 lines whose run must stay one run.
  RunResult r = runOn(
      "1\t10\t0.5\trs1\t1.0\n"
      "1\t20\t0.2\trs2\t4.0\textra\tcolumns\n"
      "2\t10\t0.6\trs3\t2.0\n"
      "X\t5\t7.0\trs4\n"
      " 23 \t6\t0.1\trs5\t99\n"
      "y\n"
      "x\t1\t-1\n"
      "Y\t1\t0.1\trs6\t1\n"
      "2\t30\t0.1\trs7\t3.5\n"
      "23\t8\t0.4\trs8\t100\n"
      "7abc\t1\t 0.25xyz\trs9\t1.0\n"  // leading numbers: 7, 0.25 and 2.5
      "7\t2\t0.75\trs10\t2.5cM\n");
  EXPECT_EQ(r.status, 0);
  // Major frequencies 0.5 + 0.8 + 0.6 + 0.9 + 0.75 + 0.75 = 4.3 over 6;
  // runs of 3.0, 1.5 and 1.5 cM.
  EXPECT_EQ(r.out, "6\t0.716667\t6.000000\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(AnnotsumTest, EveryRunOfAChromosomeAddsItsOwnDistance) {
  RunResult r = runOn(
      "1\t10\t0.3\trs1\t1.0\n"
      "1\t20\t0.3\trs2\t3.0\n"
      "2\t10\t0.3\trs3\t10.0\n"
      "2\t20\t0.3\trs4\t15.0\n"
      "1\t30\t0.3\trs5\t20.0\n"
      "1\t40\t0.3\trs6\t19.0\n");  // a decreasing map simply lowers the distance
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "6\t0.700000\t6.000000\n");
}

TEST_F(AnnotsumTest, NothingCountedPrintsNotANumberMean) {
  RunResult empty = runOn("");
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(empty.out, "0\t-nan\t0.000000\n");
  RunResult onlySkipped = runOn("X\t1\t0.5\trs1\t1.0\nY\t1\t0.5\trs2\t1.0\n23\t1\t0.5\trs3\t1.0\n");
  EXPECT_EQ(onlySkipped.status, 0);
  EXPECT_EQ(onlySkipped.out, "0\t-nan\t0.000000\n");
}

TEST_F(AnnotsumTest, OutOfRangeValuesStopWithErrorAndNoSummary) {
  const std::string good = "1\t10\t0.3\trs1\t1.0\n";
  expectBadLine(good + "24\t10\t0.3\trs2\t2.0\n");
  expectBadLine(good + "0\t10\t0.3\trs2\t2.0\n");
  expectBadLine(good + "-1\t10\t0.3\trs2\t2.0\n");
  expectBadLine(good + "23abc\t10\t0.3\trs2\t2.0\n");  // not exactly 23, so read as 23
  expectBadLine(good + "1\t10\t1.5\trs2\t2.0\n");
  expectBadLine(good + "1\t10\t-0.01\trs2\t2.0\n");
}

TEST_F(AnnotsumTest, FieldsWithoutNumbersNeverTakeThePreviousLinesValue) {
  const std::string good = "22\t10\t0.3\trs1\t1.0\n";
  expectBadLine(good + "MT\t10\t0.3\trs2\t2.0\n");
  expectBadLine(good + "\t10\t0.3\trs2\t2.0\n");
  expectBadLine(good + "\n" + good);                // an empty line
  expectBadLine(good + "22\t10\t\trs2\t2.0\n");     // empty frequency
  expectBadLine(good + "22\t10\tnan\trs2\t2.0\n");  // not a frequency either
  expectBadLine(good + "22\t10\t0.3\trs2\tunmapped\n");
  expectBadLine(good + "22\t10\t0.3\trs2\n");  // four fields, no map
  expectBadLine(good + "22\t10\t0.3\n");
}

TEST_F(AnnotsumTest, AllLineEndsGiveTheSameSummary) {
  const std::string expected = "3\t0.800000\t2.000000\n";
  for (const std::string end : {"\n", "\r\n", "\r"}) {
    std::string text = "1\t1\t0.3\trs1\t0.5" + end + "1\t2\t0.9\trs2\t2.5" + end +
                       "X\t3\t0.5\trs3\t1" + end +
                       "4\t1\t0.8\trs4\t7.0";  // last line without a line end
    RunResult r = runOn(text);
    EXPECT_EQ(r.status, 0) << "line end " << end.size();
    EXPECT_EQ(r.out, expected) << "line end " << end.size();
  }
}

// The reading stops at a line of 10000 or more characters; a summary of the
// lines before it would pass for the whole file, so it is a bad line.
TEST_F(AnnotsumTest, OverlongLineIsABadLine) {
  std::string overlong = "1\t3\t0.3\trs3\t9.0\t" + std::string(10000, 'z') + "\n";
  RunResult r = runOn("1\t1\t0.3\trs1\t0.5\n" + overlong + "24\t1\t0.3\trs4\t1.0\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "ERROR");
  EXPECT_NE(r.err.find("holds a line of 10000 or more characters"), std::string::npos) << r.err;
  RunResult fits =
      runOn("1\t1\t0.3\trs1\t0.5\n1\t3\t0.3\trs3\t9.0\t" + std::string(9983, 'z') + "\n");
  EXPECT_EQ(fits.status, 0);
  EXPECT_EQ(fits.out, "2\t0.700000\t8.500000\n");
}

TEST_F(AnnotsumTest, MissingOrUnreadableFileIsRefused) {
  RunResult none = run("");
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "");
  EXPECT_NE(none.err.find("Usage: annotsum"), std::string::npos) << none.err;

  std::string missing = dir_ + "/no_such_file.txt";
  RunResult absent = run("'" + missing + "'");
  EXPECT_EQ(absent.status, 1);
  EXPECT_EQ(absent.out, "");
  EXPECT_EQ(absent.err, "ERROR: Cannot open annotation file " + missing + "\n");

  std::string sub = dir_ + "/subdir";
  ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
  RunResult directory = run("'" + sub + "'");
  EXPECT_EQ(directory.status, 1);
  EXPECT_EQ(directory.out, "");
  EXPECT_EQ(directory.err.rfind("ERROR: ", 0), 0u) << directory.err;

  // Further arguments are ignored.
  std::string file = write("a.txt", "1\t1\t0.3\trs1\t0.5\n");
  RunResult extra = run("'" + file + "' ignored 'also ignored'");
  EXPECT_EQ(extra.status, 0);
  EXPECT_EQ(extra.out, "1\t0.700000\t0.000000\n");
}

}  // namespace
