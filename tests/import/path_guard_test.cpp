// The companion programs against paths and names that would break the
// line-based files they feed or write where they were not told: control
// characters in any path or name, an export name that leaves OUTDIR, and an
// export or a track over a file of its own analysis. Each is refused with status 1, one
// "ERROR: " line and nothing written anywhere under the scratch directory.
#include <gtest/gtest.h>

#include <filesystem>

#include "import/interchange.h"

namespace {

const std::string kRefused = "; paths and names with control characters are refused";

struct Case {
  std::vector<std::string> args;
  std::string message;  // the whole first error line
};

// Runs each case and checks its refusal and that `root` is as it was.
void expectRefusals(const std::string& program, const std::vector<Case>& cases,
                    const std::string& root, const std::string& cwd = "") {
  const std::map<std::string, std::string> before = everyEntry(root);
  for (const Case& c : cases) {
    std::vector<std::string> argv{toolPath(program)};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    RunResult r = runProgram(argv, "", cwd);
    EXPECT_EQ(r.status, 1) << c.message;
    EXPECT_EQ(errorLine(r), c.message) << r.err;
    EXPECT_EQ(everyEntry(root), before) << c.message;
  }
}

std::string analysisText(const std::string& annotation, const std::string& patient,
                         const std::string& control) {
  return "::annotation file\n" + annotation + "\n::excluded area file\n::patient pool\n" + patient +
         "\n::control pool\n" + control + "\n::output directory\n/tmp/unused/\n";
}

TEST(ExportPaths, ForeignNamesControlCharactersAndItsOwnInputsAreRefused) {
  ScratchDir dir;
  dir.write("data/annotation.txt", "1\t1000\t0.5\trs1\t0.5\n1\t3000\t0.5\trs2\t1.5\n");
  dir.write("data/p1.txt", "rs1\tAA\nrs2\tAB\n");
  dir.write("data/c1.txt", "rs1\tBB\nrs2\t--\n");
  const std::string analysis = dir.file("data/analysis.txt");
  dir.write("data/analysis.txt", analysisText(dir.file("data/annotation.txt"),
                                              dir.file("data/p1.txt"), dir.file("data/c1.txt")));
  const std::string out = dir.file("out");
  RunResult r = runProgram({toolPath("velmora-export"), analysis, out, "--plain-vcf"}, "");
  ASSERT_EQ(r.status, 0) << r.err;
  dir.write("x.vcf", "a file beside OUTDIR\n");

  // Analysis files naming paths with control characters, and inputs inside
  // an OUTDIR: the annotation at genetic_map.txt, a control at controls.txt
  // reached through "..", and the analysis file itself at BASE.fam.
  dir.write("data/ctl_annotation.txt",
            analysisText(dir.file("data/annotation\x01.txt"), dir.file("data/p1.txt"),
                         dir.file("data/c1.txt")));
  dir.write("data/ctl_control.txt", analysisText(dir.file("data/annotation.txt"),
                                                 dir.file("data/p1.txt"), dir.file("data/c\x7f")));
  dir.write("mixed/genetic_map.txt", dir.read("data/annotation.txt"));
  dir.write("mixed/controls.txt", dir.read("data/c1.txt"));
  dir.write("mixed/annotation_inside.txt",
            analysisText(dir.file("mixed/genetic_map.txt"), dir.file("data/p1.txt"),
                         dir.file("data/c1.txt")));
  dir.write("mixed/control_inside.txt",
            analysisText(dir.file("data/annotation.txt"), dir.file("data/p1.txt"),
                         dir.file("data/../mixed/controls.txt")));
  dir.write("mixed/set.fam", dir.read("data/analysis.txt"));

  const std::string mixed = dir.file("mixed");
  expectRefusals(
      "velmora-export",
      {
          {{analysis, out, "--name", "../x", "--plain-vcf"},
           "ERROR: --name '../x' holds a '/'; give a plain file name, the files go into OUTDIR"},
          {{analysis, out, "--name", ""}, "ERROR: --name needs a file name, not an empty one"},
          {{analysis, out, "--name", ".."},
           "ERROR: --name '..' is not a file name; give a plain file name"},
          {{analysis, out, "--name", "a\nb"}, "ERROR: --name holds a line break (LF)" + kRefused},
          {{analysis, out + "\tb"}, "ERROR: OUTDIR holds a tab" + kRefused},
          {{analysis + "\r", out},
           "ERROR: the analysis file's path holds a carriage return (CR)" + kRefused},
          {{dir.file("data/ctl_annotation.txt"), out},
           "ERROR: the path of the annotation file in " + dir.file("data/ctl_annotation.txt") +
               " holds the control character 0x01" + kRefused},
          {{dir.file("data/ctl_control.txt"), out},
           "ERROR: the path of control genotyping file 1 in " + dir.file("data/ctl_control.txt") +
               " holds the control character 0x7f" + kRefused},
          {{dir.file("mixed/annotation_inside.txt"), mixed},
           "ERROR: " + mixed + "/genetic_map.txt is the annotation file (" + mixed +
               "/genetic_map.txt); velmora-export never writes over a file of its analysis: "
               "choose another OUTDIR or --name"},
          {{dir.file("mixed/control_inside.txt"), mixed},
           "ERROR: " + mixed + "/controls.txt is control genotyping file 1 (" +
               dir.file("data/../mixed/controls.txt") +
               "); velmora-export never writes over a file of its analysis: choose another "
               "OUTDIR or --name"},
          {{dir.file("mixed/set.fam"), mixed, "--name", "set"},
           "ERROR: " + mixed + "/set.fam is the analysis file (" + dir.file("mixed/set.fam") +
               "); velmora-export never writes over a file of its analysis: choose another "
               "OUTDIR or --name"},
      },
      dir.path());
}

TEST(TracksPaths, ControlCharactersAndTheAnalysisFileAsATrackAreRefusedBeforeAnyTrack) {
  ScratchDir dir;
  const std::string list =
      "1\t100\t0.100000\trs1\t2.210000\t5\t1\tstart\n1\t300\t0.300000\trs3\t2.210000\t5\t1\tend\n";
  // The good list sorts first: it would be written before the bad one was met.
  dir.write("lists/HH_P_Value_a.txt", list);
  dir.write("lists/HH_P_Value_b\tc.txt", list);
  dir.write("one/HH_P_Value_a.txt", list);
  // An analysis file where the good list's track would go.
  dir.write("one/HH_P_Value_a.bed", analysisText("/x/annotation.txt", "/x/p1.txt", "/x/c1.txt"));
  dir.write("out/keep.txt", "kept\n");
  const std::string good = dir.file("one/HH_P_Value_a.txt");
  expectRefusals(
      "velmora-tracks",
      {
          {{dir.file("lists")},
           "ERROR: the name of a list in " + dir.file("lists") + " holds a tab" + kRefused},
          {{"--outdir", dir.file("out\n"), good},
           "ERROR: --outdir holds a line break (LF)" + kRefused},
          {{"--analysis", dir.file("one/HH_P_Value_a.bed"), good},
           "ERROR: the track of " + good + " would be " + dir.file("one/HH_P_Value_a.bed") +
               ", which is the analysis file; use --outdir"},
          {{"--analysis", dir.file("analysis.txt\r"), good},
           "ERROR: --analysis holds a carriage return (CR)" + kRefused},
          {{good, dir.file("one\x1b")},
           "ERROR: the list or directory 2 holds the control character 0x1b" + kRefused},
          {{"--out\x7f", good}, "ERROR: argument 1 holds the control character 0x7f" + kRefused},
      },
      dir.path());
}

TEST(ImportPaths, ControlCharactersInEveryPathAreRefusedBeforeAnythingIsRead) {
  ScratchDir dir;
  const std::string vcf =
      "##fileformat=VCFv4.2\n##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
      "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ts1\ts2\n"
      "1\t1000\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\nX\t500\trsx\tA\tG\t.\t.\t.\tGT\t0/1\t1/1\n";
  // Files that exist under the names given: only the name is at fault.
  dir.write("in\n.vcf", vcf);
  dir.write("in.vcf", vcf);
  dir.write("p\r.txt", "s1\n");
  dir.write("p.txt", "s1\n");
  dir.write("c\x7f.txt", "s2\n");
  dir.write("map\x01.txt", "1 1 0.1\n1 5000 1.0\n");
  dir.write("set\t.bim", "");
  dir.write("run\nhere/keep.txt", "kept\n");
  const std::vector<std::string> rest{"--cm-per-mb", "1", "--patients", dir.file("p.txt")};
  auto with = [&](std::vector<std::string> args) {
    args.insert(args.end(), rest.begin(), rest.end());
    return args;
  };
  const std::string out = dir.file("out");
  expectRefusals(
      "velmora-import",
      {
          {with({"--vcf", dir.file("in\n.vcf"), "--out", out}),
           "ERROR: --vcf holds a line break (LF)" + kRefused},
          {{"--plink", dir.file("set\t"), "--out", out}, "ERROR: --plink holds a tab" + kRefused},
          {{"--vcf", dir.file("in.vcf"), "--map", dir.file("map\x01.txt"), "--patients",
            dir.file("p.txt"), "--out", out},
           "ERROR: --map holds the control character 0x01" + kRefused},
          {{"--vcf", dir.file("in.vcf"), "--cm-per-mb", "1", "--patients", dir.file("p\r.txt"),
            "--out", out},
           "ERROR: --patients holds a carriage return (CR)" + kRefused},
          {with({"--vcf", dir.file("in.vcf"), "--controls", dir.file("c\x7f.txt"), "--out", out}),
           "ERROR: --controls holds the control character 0x7f" + kRefused},
          {with({"--vcf", dir.file("in.vcf"), "--out", dir.file("o\x1b")}),
           "ERROR: --out holds the control character 0x1b" + kRefused},
      },
      dir.path());
  // A relative --out takes the current directory's line break with it.
  expectRefusals("velmora-import",
                 {{with({"--vcf", dir.file("in.vcf"), "--out", "out"}),
                   "ERROR: the output directory's path holds a line break (LF)" + kRefused}},
                 dir.path(), dir.file("run\nhere"));
}

}  // namespace
