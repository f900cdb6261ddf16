// velmora-report: one command from an analysis file to a ranked,
// gene-annotated region table and a self-contained HTML report.
//
// Order: every refusal (command line, inputs, report directory) comes before
// anything is written; DIR is locked first, so that a second run on it is
// refused at once. The report is then built in a staging directory beside
// DIR: velmora runs into its run/, its outputs are read, the tables, tracks
// and page are written, the manifest comes last, and only then does the
// whole report take DIR's place. A failed run leaves an earlier report as it
// was (its logs wait beside it, named in the error); a first run that fails
// leaves only velmora.log and a manifest whose status is "failed", so nothing
// passes for a complete report.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "base/analysis_input.h"
#include "base/path_text.h"
#include "genome/large_gap.h"
#include "html_report.h"
#include "manifest.h"
#include "preflight.h"
#include "report_data.h"
#include "report_dir.h"
#include "report_error.h"
#include "start_end_list.h"
#include "tables.h"
#include "velmora_child.h"

namespace fs = std::filesystem;

namespace {

std::string besideMe(const std::string& name) {
  std::error_code error;
  fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) throw ReportError("cannot find the folder of velmora-report");
  fs::path program = self.parent_path() / name;
  if (::access(program.c_str(), X_OK) != 0) {
    throw ReportError(name + " is missing beside velmora-report (" + program.string() +
                      "); build it with 'make'");
  }
  return program.string();
}

std::vector<ManifestInput> inputsOf(const ReportData& data) {
  std::vector<ManifestInput> inputs{{"analysis file", data.options.analysisFile},
                                    {"annotation", data.input.annotation}};
  if (!data.input.excluded.empty()) inputs.push_back({"excluded area file", data.input.excluded});
  if (!data.input.target.empty()) inputs.push_back({"target area file", data.input.target});
  for (size_t i = 0; i < data.input.patients.size(); ++i) {
    inputs.push_back({"patient " + std::to_string(i + 1), data.input.patients[i]});
  }
  for (size_t i = 0; i < data.input.controls.size(); ++i) {
    inputs.push_back({"control " + std::to_string(i + 1), data.input.controls[i]});
  }
  if (!data.options.genesFile.empty()) inputs.push_back({"genes", data.options.genesFile});
  return inputs;
}

// Reads velmora's outputs and writes the report's own files.
void writeReport(ReportData& data, ReportDir& dir, const std::string& tracksProgram) {
  bool controls = data.withControls();
  RegionInputs in;
  in.withControls = controls;
  in.sourceList = dir.path(controls ? "run/HH_P_Value_PatientPool_vs_ControlPool.txt"
                                    : "run/HH_NoStSharingRCHHs_PatientPool.txt");
  if (controls) {
    in.representativeList =
        dir.path("run/HH_P_Value_Using_Representative_PatientPool_vs_ControlPool.txt");
  }
  in.patientSummary = dir.path("run/HH_FoldOverlap_Summary_PatientPool.txt");
  in.controlSummary = dir.path("run/HH_FoldOverlap_Summary_ControlPool.txt");
  in.patients = static_cast<int>(data.input.patients.size());
  in.controls = static_cast<int>(data.input.controls.size());
  in.largeGap = largeGapFor(data.input.largeGapLine);
  data.regions = findRegions(in);
  if (data.permutations) {
    const PermutationOutcome& outcome = *data.permutations;
    // Relabelling 0 is the run itself: its maximum must be the list's.
    if (asListed(outcome.maxima[0].plain) != data.regions.highest ||
        asListed(outcome.maxima[0].representative) != data.regions.representativeHighest) {
      throw ReportError("the permutations' observed maxima " +
                        std::to_string(outcome.maxima[0].plain) + " and " +
                        std::to_string(outcome.maxima[0].representative) +
                        " differ from velmora's lists (" + std::to_string(data.regions.highest) +
                        " and " + std::to_string(data.regions.representativeHighest) +
                        "); the run's inputs changed while the report was made");
    }
    for (CandidateRegion& r : data.regions.regions) r.adjustedP = adjustedP(outcome, r.best);
    dir.writeFile("null_maxima.tsv", nullMaximaTable(outcome));
  }
  for (const CandidateRegion& r : data.regions.regions) {
    data.regionGenes.push_back(
        data.genes ? genesOverlapping(*data.genes, r.chromosome, r.firstBp, r.lastBp)
                   : std::vector<const Gene*>{});
  }
  for (QueryAnswer& answer : data.queries) {
    std::string list = "run/" + queryListName(answer.query);
    if (!fs::exists(dir.path(list))) continue;  // velmora found nothing all of them share
    answer.listFile = list;
    try {
      answer.segments = readStartEndList(dir.path(list)).segments;
    } catch (const std::runtime_error& error) {
      throw ReportError(std::string("velmora's query list cannot be read: ") + error.what());
    }
  }

  dir.writeFile("regions.tsv", regionsTable(data));
  dir.writeFile("pairs.tsv", pairsTable(data));

  std::string output;
  int status =
      runCapture(tracksProgram,
                 {"--x-number", std::to_string(data.preflight.xNumber), "--analysis",
                  dir.path("analysis.txt"), "--outdir", dir.path("tracks"), dir.path("run")},
                 output);
  dir.recordFolder("tracks");
  if (status != 0) throw ReportError("velmora-tracks failed:\n" + output);

  dir.writeFile("report.html", htmlReport(data));
}

// The checksums taken while files were read or written anyway: the inputs
// the checks scanned and the report's own files.
std::map<std::string, FileDigest> knownDigests(const ReportData& data, const ReportDir& dir) {
  std::map<std::string, FileDigest> known = data.preflight.digests;
  known.insert(dir.digests().begin(), dir.digests().end());
  return known;
}

// Every path and name the run was given, from the command line and from the
// analysis file, with what it is; refused if one holds a control character.
void refusePathsWithControlCharacters(const ReportData& data) {
  std::vector<std::pair<std::string, std::string>> given{
      {"the analysis file's path", data.options.analysisFile},
      {"--out", data.options.outDir},
      {"--genes", data.options.genesFile},
      {"--build", data.options.build},
      {"the annotation file's path", data.input.annotation},
      {"the excluded area file's path", data.input.excluded},
      {"the target area file's path", data.input.target}};
  for (const std::string& q : data.options.queries) given.push_back({"--query", q});
  for (size_t i = 0; i < data.input.patients.size(); ++i) {
    given.push_back({"the path of patient " + std::to_string(i + 1), data.input.patients[i]});
  }
  for (size_t i = 0; i < data.input.controls.size(); ++i) {
    given.push_back({"the path of control " + std::to_string(i + 1), data.input.controls[i]});
  }
  for (const auto& [what, text] : given) refuseControlCharacters(what, text);
}

int run(int argc, char** argv) {
  ReportData data;
  data.options = parseOptions(argc, argv);
  // The analysis file is read only once its own path has passed.
  refuseControlCharacters("the analysis file's path", data.options.analysisFile);
  data.input = readAnalysisInput(data.options.analysisFile);
  refusePathsWithControlCharacters(data);

  // DIR is taken first, so that a second run on it is refused at once.
  ReportDir dir(data.options.outDir);
  std::vector<ManifestInput> inputs = inputsOf(data);
  std::vector<std::string> inputPaths;
  for (const ManifestInput& i : inputs) inputPaths.push_back(i.path);
  DirState state = dir.inspect(inputPaths);

  data.preflight = runPreflight(data.input, data.options.cutoffCm);
  for (const std::string& p : data.input.patients) data.patientNames.push_back(sampleName(p));
  for (const std::string& c : data.input.controls) data.controlNames.push_back(sampleName(c));
  if (data.options.permutations > 0 && !data.withControls()) {
    throw ReportError(
        "--permutations needs a control pool: a run of patients only has no labels to exchange");
  }
  if (data.options.permutations > 0 &&
      !permutationsFit(static_cast<int>(data.input.patients.size()),
                       static_cast<int>(data.input.controls.size()))) {
    throw ReportError(
        "--permutations takes pools of at most 65535 subjects and 16777216 pairs of "
        "pool levels; these pools are larger");
  }
  if (!data.options.queries.empty() && data.withControls()) {
    throw ReportError("--query runs without controls only (velmora asks for queries only then)");
  }
  std::vector<Query> queries;
  for (const std::string& text : data.options.queries) {
    queries.push_back(parseQuery(text, data.patientNames, data.controlNames));
    data.queries.push_back({queries.back(), "", {}});
  }
  if (!data.options.genesFile.empty()) {
    if (!fs::is_regular_file(data.options.genesFile)) {
      throw ReportError("the gene file " + data.options.genesFile +
                        " does not exist or is not a regular file");
    }
    data.genes = readGenes(data.options.genesFile, data.preflight.xNumber);
  }
  const std::string velmora = besideMe("velmora");
  const std::string tracks = besideMe("velmora-tracks");
  const std::vector<std::pair<std::string, std::string>> programs{{"velmora", velmora},
                                                                  {"velmora-tracks", tracks}};

  for (const std::string& w : data.preflight.warnings) std::cerr << "WARNING: " << w << "\n";

  dir.beginStaging();
  // velmora writes into the staging directory; the report's own copy of the
  // analysis file names the run/ folder the report will have.
  std::string stagingRun = fs::path(dir.path("run")).lexically_normal().string() + "/";
  std::string finalRun = fs::path(dir.finalPath("run")).lexically_normal().string() + "/";
  try {
    dir.writeFile("analysis.txt",
                  analysisCopyText(data.input, data.options.analysisFile, stagingRun));
    std::string input = data.options.cutoffText + "\n";
    if (!data.withControls()) input += queryInput(queries);
    std::vector<int64_t> snps;
    for (const ChromosomeSpan& s : data.preflight.autosomes) {
      while (static_cast<int>(snps.size()) < s.number - 1) snps.push_back(0);
      snps.push_back(s.snps);
    }
    VelmoraLog log(static_cast<int>(data.input.patients.size()),
                   static_cast<int>(data.input.controls.size()), snps);
    std::cerr << "velmora-report: running velmora; its messages go to " << dir.path("velmora.log")
              << "\n";
    ChildResult result =
        runVelmora(velmora, {dir.path("analysis.txt")}, input, dir.path("velmora.log"), log);
    dir.record("velmora.log");
    dir.recordFolder("run");
    if (result.status != 0) {
      std::string said;
      for (const std::string& line : log.lastLines()) said += "  " + line + "\n";
      throw ReportError("velmora stopped with exit status " + std::to_string(result.status) +
                        "; it said:\n" + said + "(all of it is in " +
                        (state == DirState::earlierReport ? dir.path("velmora.log")
                                                          : dir.finalPath("velmora.log")) +
                        ")");
    }
    data.pairs = log.pairs();
    if (data.options.permutations > 0) {
      std::cerr << "velmora-report: " << data.options.permutations
                << " relabellings of patients and controls (seed " << data.options.seed << ")\n";
      data.permutations = runPermutations(dir.path("analysis.txt"), data.options.cutoffCm,
                                          data.options.permutations, data.options.seed,
                                          data.options.threads, dir.path("permutations.log"));
      dir.record("permutations.log");
      std::cerr << "velmora-report: relabellings took " << data.permutations->seconds << " s\n";
    }
    writeReport(data, dir, tracks);
    dir.writeFile("analysis.txt",
                  analysisCopyText(data.input, data.options.analysisFile, finalRun));
  } catch (const std::exception&) {
    // Keep the logs for the user; nothing else may pass for a result.
    if (fs::exists(dir.path("permutations.log"))) dir.record("permutations.log");
    dir.removeAllBut({"velmora.log", "permutations.log"});
    std::vector<std::string> kept = dir.written();
    if (!kept.empty()) {
      std::string text = manifestText(data.options.commandLine, "failed", programs, inputs,
                                      dir.root(), kept, {}, knownDigests(data, dir));
      std::FILE* file = std::fopen(dir.path(kManifestName).c_str(), "w");
      if (file != nullptr) {
        std::fputs(text.c_str(), file);
        std::fclose(file);
      }
      if (state == DirState::earlierReport) {
        // The earlier report stays whole; this run's logs wait beside it
        // until the next run clears them.
        std::cerr << "velmora-report: the earlier report in " << dir.finalPath("")
                  << " is kept as it was; this run's logs are in " << dir.stagingPath() << "\n";
      } else {
        try {
          dir.install();
        } catch (const ReportError&) {
          // The run's own error is the one to report.
        }
      }
    }
    throw;
  }
  std::vector<std::string> written = dir.written();
  written.erase(std::remove(written.begin(), written.end(), std::string(kManifestName)),
                written.end());
  std::vector<std::pair<std::string, std::string>> settings;
  if (data.permutations) {
    settings.push_back({"permutations", std::to_string(data.permutations->count)});
    settings.push_back({"seed", std::to_string(data.permutations->seed)});
  }
  dir.writeFile(kManifestName,
                manifestText(data.options.commandLine, "complete", programs, inputs, dir.root(),
                             written, settings, knownDigests(data, dir)));
  dir.install();
  std::cerr << "velmora-report: " << data.regions.regions.size() << " candidate regions; open "
            << dir.finalPath("report.html") << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit then fails the write with a message instead of
  // killing the run silently; velmora, run from here, inherits this too.
  std::signal(SIGXFSZ, SIG_IGN);
  try {
    return run(argc, argv);
  } catch (const ReportError& error) {
    std::cerr << "ERROR: " << error.what() << "\n";
    return 1;
  } catch (const std::exception& error) {
    std::cerr << "ERROR: " << error.what() << "\n";
    return 1;
  }
}
