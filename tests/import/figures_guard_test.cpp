// The figure script against what would hang Ghostscript or write the wrong
// file: rows and sizes beyond what velmora draws, colliding names, control
// characters in a name, a failed render over an earlier good one, and names
// that would write PostScript into their own title.
#include <gtest/gtest.h>
#include <unistd.h>

#include "import/interchange.h"

namespace {

RunResult render(const std::vector<std::string>& args) {
  std::vector<std::string> argv{sourcePath("tools/figures/render_figures.sh")};
  argv.insert(argv.end(), args.begin(), args.end());
  return runProgram(argv, "");
}

TEST(FigureGuards, OutOfRangeFiguresOptionsAndNamesAreRefusedAndGoodOutputsKept) {
  if (access("/usr/bin/gs", X_OK) != 0) GTEST_SKIP() << "Ghostscript is not installed";
  ScratchDir dir;
  const std::string figure = "%!PS-Adobe-3.0\n0.02 18 scale\n1\t10.0\texch 0.75 mul 1 add moveto\n";
  dir.write("HH_far.ps", "%!PS-Adobe-3.0\n100000000\t10.0\texch 0.75 mul\n");
  dir.write("HH_wide.ps", "%!PS-Adobe-3.0\n1\t4611686018427387904\texch 0.75 mul\n");
  dir.write("a/HH_a.ps", figure);
  dir.write("a/HH_a.eps", figure);
  dir.write("HH_ok.ps", figure);
  dir.write("HH_ctl\n.ps", figure);
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{dir.file("HH_far.ps")}, "chromosome 100000000 is beyond what velmora draws"},
      {{dir.file("HH_wide.ps")}, "position 4611686018427387904 is beyond what velmora draws"},
      {{"--chromosomes", "99999999999999999999", dir.file("HH_ok.ps")},
       "--chromosomes needs a whole number"},
      {{"--resolution", "20000", dir.file("HH_ok.ps")},
       "--resolution needs a whole number from 1 to 2400"},
      {{"--resolution", "2400", "--chromosomes", "10001", dir.file("HH_ok.ps")},
       "give a lower --resolution"},
      {{dir.file("a")}, "would both be rendered to"},
      {{dir.file("HH_ctl\n.ps")}, "holds a control character"},
  };
  for (const Case& c : cases) {
    RunResult r = render(c.args);
    EXPECT_EQ(r.status, 1) << c.message;
    EXPECT_NE(r.err.find(std::string("ERROR: ")), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.message << "\n" << r.err;
  }
  EXPECT_TRUE(dir.list("a") == (std::vector<std::string>{"HH_a.eps", "HH_a.ps"}));

  // A good render, then a broken figure of the same name: the good PDF stays.
  RunResult good = render({"--resolution", "36", dir.file("HH_ok.ps")});
  ASSERT_EQ(good.status, 0) << good.err;
  const std::string pdf = dir.read("HH_ok.pdf");
  ASSERT_FALSE(pdf.empty());
  dir.write("HH_ok.ps", "%!PS-Adobe-3.0\n1\t10.0\texch undefined_operator\n");
  RunResult broken = render({"--resolution", "36", dir.file("HH_ok.ps")});
  EXPECT_EQ(broken.status, 1);
  EXPECT_EQ(dir.read("HH_ok.pdf"), pdf);
  for (const std::string& name : dir.list(""))
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

// A name's title reaches PostScript as letters, digits and ._+- only: a
// literal backslash-n, parentheses and '%' in a name draw nothing, so the
// PNG is the one of the name's plain twin; and a control character in any
// path, found in a directory or given, is refused before anything is written.
TEST(FigureGuards, NamesReachTitlesAsPlainTextAndControlCharactersAnywhereAreRefused) {
  if (access("/usr/bin/gs", X_OK) != 0) GTEST_SKIP() << "Ghostscript is not installed";
  ScratchDir dir;
  const std::string figure = "%!PS-Adobe-3.0\n0.02 18 scale\n1\t10.0\texch 0.75 mul 1 add moveto\n";
  const std::string injecting =
      "HH_q\\n1 0 0 setrgbcolor 0 0 moveto 400 60 lineto 8 setlinewidth stroke\\n(x) %y.ps";
  const std::string twin =
      "HH_q_n1_0_0_setrgbcolor_0_0_moveto_400_60_lineto_8_setlinewidth_stroke_n_x___y.ps";
  dir.write("a/" + injecting, figure);
  dir.write("b/" + twin, figure);
  for (const char* sub : {"a", "b"}) {
    RunResult r = render({"--resolution", "36", dir.file(sub)});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  const std::string png = dir.read("a/" + injecting.substr(0, injecting.size() - 3) + ".png");
  ASSERT_FALSE(png.empty());
  EXPECT_EQ(png, dir.read("b/" + twin.substr(0, twin.size() - 3) + ".png"));

  dir.write("ctl\x1b/HH_c.ps", figure);
  dir.write("found/HH_d\x01.ps", figure);
  const std::map<std::string, std::string> before = everyEntry(dir.path());
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{dir.file("ctl\x1b")}, "ERROR: a path given holds a control character; rename it"},
      {{dir.file("missing\tname.ps")}, "ERROR: a path given holds a control character; rename it"},
      {{"--out", dir.file("o\x7f"), dir.file("b")},
       "ERROR: the --out name holds a control character; rename it"},
      {{dir.file("found")}, "holds a control character; rename it"},
  };
  for (const Case& c : cases) {
    RunResult r = render(c.args);
    EXPECT_EQ(r.status, 1) << c.message;
    EXPECT_EQ(errorLine(r).find("ERROR: "), 0u) << r.err;
    EXPECT_NE(errorLine(r).find(c.message), std::string::npos) << c.message << "\n" << r.err;
    EXPECT_EQ(everyEntry(dir.path()), before) << c.message;
  }
}

}  // namespace
