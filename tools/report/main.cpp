// velmora-report: one command from an analysis file to a ranked,
// gene-annotated region table and a self-contained HTML report.
//
// Order: every refusal (command line, inputs, report directory, the loaded
// cohort's checks) comes before anything is written; DIR is locked first, so
// that a second run on it is refused at once. The cohort is loaded once, in
// this process, and serves the checks, velmora's run and the relabellings.
// The report is then built in a staging directory beside DIR: velmora's
// analysis runs into its run/ (kept only with --velmora-files), its outputs
// are read, the tables, tracks and page are written, the manifest comes
// last, and only then does the whole report take DIR's place. A failed run leaves an earlier report
// as it was (its logs wait beside it, named in the error); a first run that fails leaves only
// velmora.log and a manifest whose status is "failed", so nothing passes for a complete report.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>

#include "base/analysis_input.h"
#include "base/output.h"
#include "base/path_text.h"
#include "base/safe_file.h"
#include "base/version.h"
#include "core/velmora_core.h"
#include "direct_load.h"
#include "genome/genome.h"
#include "genome/large_gap.h"
#include "html_report.h"
#include "input_error.h"
#include "manifest.h"
#include "preflight.h"
#include "reference_data.h"
#include "report_data.h"
#include "report_dir.h"
#include "report_error.h"
#include "run_progress.h"
#include "sha256.h"
#include "standard_error.h"
#include "start_end_list.h"
#include "tables.h"
#include "track_run.h"
#include "verdict.h"

namespace fs = std::filesystem;

namespace {

// This program's own file, whose checksum the manifest states.
std::string ownProgram() {
  std::error_code error;
  fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) throw ReportError("cannot find velmora-report's own file");
  return self.string();
}

std::vector<ManifestInput> inputsOf(const ReportData& data) {
  if (data.options.source) {
    const ImportOptions& source = *data.options.source;
    std::vector<ManifestInput> inputs;
    if (source.plinkPrefix) {
      for (const char* part : {".bed", ".bim", ".fam"})
        inputs.push_back({std::string("PLINK ") + part, *source.plinkPrefix + part});
    } else {
      inputs.push_back({"VCF", *source.vcf});
    }
    for (const std::string& map : source.mapFiles) {
      if (map.find('@') == std::string::npos) inputs.push_back({"genetic map", map});
    }
    if (source.patientList) inputs.push_back({"patient list", *source.patientList});
    if (source.controlList) inputs.push_back({"control list", *source.controlList});
    if (!data.options.genesFile.empty()) inputs.push_back({"genes", data.options.genesFile});
    return inputs;
  }
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
void writeReport(ReportData& data, ReportDir& dir) {
  bool controls = data.withControls();
  RegionInputs in;
  in.withControls = controls;
  if (data.sharingSource) {
    in.source = *data.sharingSource;
    in.sourceName = "the report's sharing analysis";
    if (controls) in.representative = *data.sharingRepresentative;
  } else {
    in.sourceName = dir.path(controls ? "run/HH_P_Value_PatientPool_vs_ControlPool.txt"
                                      : "run/HH_NoStSharingRCHHs_PatientPool.txt");
    in.source = readVelmoraList(in.sourceName);
    if (controls) {
      in.representative = readVelmoraList(
          dir.path("run/HH_P_Value_Using_Representative_PatientPool_vs_ControlPool.txt"));
    }
  }
  in.cover = &data.cover;
  in.patients = static_cast<int>(data.input.patients.size());
  in.controls = static_cast<int>(data.input.controls.size());
  in.largeGap = largeGapFor(data.input.largeGapLine);
  data.regions = findRegions(in);
  if (data.permutations && controls) {
    const PermutationOutcome& outcome = *data.permutations;
    // Relabelling 0 is the run itself: its maximum must be the list's.
    if (asListed(outcome.maxima[0].plain) != data.regions.highest ||
        asListed(outcome.maxima[0].representative) != data.regions.representativeHighest) {
      throw ReportError("the permutations' observed maxima " +
                        std::to_string(outcome.maxima[0].plain) + " and " +
                        std::to_string(outcome.maxima[0].representative) +
                        " differ from the lists (" + std::to_string(data.regions.highest) +
                        " and " + std::to_string(data.regions.representativeHighest) +
                        "); the run's inputs changed while the report was made");
    }
    for (CandidateRegion& r : data.regions.regions) r.adjustedP = adjustedP(outcome, r.best);
  } else if (data.permutations) {
    // Without controls a region is measured as its null genomes are: its
    // level and its longest stretch at that level.
    const PermutationOutcome& outcome = *data.permutations;
    for (CandidateRegion& r : data.regions.regions) {
      const int level = static_cast<int>(r.best);
      const double length =
          longestStretchAtLevel(*data.pooled, data.cover.pools[0].level, level,
                                static_cast<int64_t>(r.firstRow), static_cast<int64_t>(r.lastRow));
      const std::vector<double>& observed = outcome.genomes[0].longest;
      if (level < 0 || static_cast<size_t>(level) >= observed.size() ||
          observed[static_cast<size_t>(level)] < length) {
        throw ReportError("region " + std::to_string(r.rank) +
                          " reaches further than the observed genome's own measure; the run's "
                          "inputs changed while the report was made");
      }
      r.adjustedP = adjustedPWithoutControls(outcome, level, length);
    }
    rankByAdjustedP(data.regions);
  }
  if (data.permutations) dir.writeFile("null_maxima.tsv", nullMaximaTable(*data.permutations));
  if (!data.options.sharing.strict()) {
    for (CandidateRegion& r : data.regions.regions)
      r.tolerated = toleratedInRegion(*data.pooled, r);
  }
  // Genes over each region's extent, and which of them touch its core.
  for (const CandidateRegion& r : data.regions.regions) {
    data.regionGenes.push_back(
        data.genes ? genesOverlapping(*data.genes, r.chromosome, r.extentFirstBp, r.extentLastBp)
                   : std::vector<const Gene*>{});
    std::vector<bool> core;
    for (const Gene* g : data.regionGenes.back())
      core.push_back(g->first <= r.coreLastBp && g->last >= r.coreFirstBp);
    data.regionCoreGenes.push_back(std::move(core));
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

  // velmora's lists as BED tracks; the subjects' names are velmora's, the
  // file-name part of each genotyping file.
  const SubjectNames known(velmoraSubjectNames(data.input));
  TrackRequest tracks;
  tracks.inputs = {dir.path("run")};
  tracks.outDirectory = dir.path("tracks");
  tracks.known = &known;
  tracks.naming.xNumber = data.preflight.xNumber;
  std::ostringstream said;
  try {
    writeTracks(tracks, said);
    // The lists the regions came from under the tolerant rule, beside velmora's own.
    if (data.sharingSource) {
      const std::vector<std::pair<std::string, const StartEndList*>> lists{
          {controls ? "Tolerant_P_Value_PatientPool_vs_ControlPool"
                    : "Tolerant_NoStSharingRCHHs_PatientPool",
           &*data.sharingSource},
          {"Tolerant_P_Value_Using_Representative_PatientPool_vs_ControlPool",
           controls ? &*data.sharingRepresentative : nullptr}};
      for (const auto& [name, list] : lists) {
        if (list == nullptr || list->segments.empty()) continue;
        std::ostringstream bed;
        writeBedTrack(*list, name, tracks.naming, bed);
        dir.writeFile("tracks/" + name + ".bed", bed.str());
      }
    }
  } catch (const std::runtime_error& error) {
    dir.recordFolder("tracks");
    throw ReportError(std::string("the tracks cannot be written: ") + error.what());
  }
  dir.recordFolder("tracks");

  dir.writeFile("report.html", htmlReport(data));
}

// The checksums taken while files were read or written anyway: the inputs
// the checks scanned and the report's own files.
std::map<std::string, FileDigest> knownDigests(const ReportData& data, const ReportDir& dir) {
  std::map<std::string, FileDigest> known = data.preflight.digests;
  known.insert(dir.digests().begin(), dir.digests().end());
  return known;
}

// The report's analysis.txt: the analysis file with absolute paths and
// `runFolder` as its output directory; for a direct load, one that names the
// subjects as velmora-import would have (their files were not written).
std::string analysisText(const ReportData& data, const std::string& runFolder) {
  if (!data.options.source) {
    return analysisCopyText(data.input, data.options.analysisFile, runFolder);
  }
  std::string text = analysisCopyText(data.input, data.input.annotation, runFolder);
  text.erase(0, text.find('\n') + 1);
  return ": The cohort of " + data.input.annotation +
         ", read straight into velmora by velmora-report: no file below was written; the paths "
         "only name the subjects.\n" +
         text;
}

// Every path and name the run was given, from the command line and from the
// analysis file, with what it is; refused if one holds a control character.
void refusePathsWithControlCharacters(const ReportData& data) {
  std::vector<std::pair<std::string, std::string>> given{
      {"the analysis file's path", data.options.analysisFile},
      {"--out", data.options.outDir},
      {"--genes", data.options.genesFile},
      {"--build", data.options.build.value_or("")},
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

// Seconds since the last lap, for the terminal's account of where the time went.
class Stopwatch {
 public:
  double lap() {
    const auto now = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(now - last_).count();
    last_ = now;
    return std::round(seconds * 10) / 10;
  }

 private:
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

// velmora's message of a stop, without its "ERROR: " and final line end.
std::string velmoraMessage(std::string message) {
  if (message.compare(0, 7, "ERROR: ") == 0) message.erase(0, 7);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message;
}

// What one load gives the checks besides the tables.
struct LoadOutcome {
  std::vector<SubjectLoadFacts> subjects;  // patients, then controls
  AnnotationLoadFacts annotation;
  std::string importReport;          // a direct load's lines as velmora-import reports them
  std::optional<std::string> build;  // the genome build the input tells
};

// The label folder of a direct load's subjects: velmora names a subject by
// its genotyping file, which a direct load does not write.
std::string directLabelFolder(const ImportOptions& source) {
  return (source.plinkPrefix ? *source.plinkPrefix + ".bed" : *source.vcf) + "/";
}

// Loads the cohort into the engine, once: from the analysis file's inputs
// (each genotyping file checksummed on the thread that reads it, into
// data.preflight.digests) or straight from PLINK or VCF (data.input then
// names the subjects as velmora-import would). velmora's messages go to
// `log` (an unnamed file until the staging directory exists). A stop of the
// load is a refusal: nothing has been written yet.
LoadOutcome loadCohort(ReportData& data, std::FILE* log) {
  LoadOutcome outcome;
  std::vector<std::unique_ptr<Sha256>> sums;
  const size_t patients = data.input.patients.size();
  for (size_t i = 0; i < patients + data.input.controls.size(); ++i)
    sums.push_back(std::make_unique<Sha256>());
  LoadObserver observer;
  observer.onBytes = [&](int pool, int subject, const char* bytes, size_t size) {
    sums[static_cast<size_t>(subject) + (pool == 0 ? 0 : patients)]->add(bytes, size);
  };
  struct Detach {
    ~Detach() { loadObserver = nullptr; }
  } detach;
  try {
    StandardErrorTo toLog(::fileno(log), "the loading log");
    if (data.options.source) {
      std::ostringstream lines;
      const std::string folder = directLabelFolder(*data.options.source);
      DirectLoadFacts facts = loadCohortDirect(*data.options.source, folder, lines);
      outcome.importReport = lines.str();
      outcome.build = facts.build;
      outcome.subjects = facts.subjects;
      outcome.annotation = facts.annotation;
      data.input.annotation = core::loadedCohortFacts().annotationFile;
      for (size_t i = 0; i < facts.fileNames.size(); ++i) {
        (static_cast<int>(i) < facts.patients ? data.input.patients : data.input.controls)
            .push_back(folder + facts.fileNames[i]);
      }
      return outcome;
    }
    loadObserver = &observer;
    core::loadAnalysisCohort(data.options.analysisFile);
  } catch (const FatalError& error) {
    throw ReportError("velmora cannot load the inputs: " + velmoraMessage(error.message));
  } catch (const std::bad_alloc&) {
    throw ReportError("velmora cannot load the inputs: not enough memory");
  } catch (const InputError& error) {
    throw ReportError(error.what());
  }
  outcome.subjects = observer.subjects[0];
  outcome.subjects.insert(outcome.subjects.end(), observer.subjects[1].begin(),
                          observer.subjects[1].end());
  outcome.annotation = observer.annotation;
  outcome.build = data.input.genomeBuild;
  for (size_t i = 0; i < sums.size(); ++i) {
    const std::string& path =
        i < patients ? data.input.patients[i] : data.input.controls[i - patients];
    std::error_code error;
    const uintmax_t size = fs::file_size(path, error);
    if (!error && size == sums[i]->size())
      data.preflight.digests[path] = FileDigest{sums[i]->size(), sums[i]->hex()};
  }
  return outcome;
}

// Creates velmora.log with what the load wrote to `log`; returns it open
// for the run's messages to follow (the caller closes it).
int startVelmoraLog(std::FILE* log, const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) throw ReportError("cannot create " + path + ": " + std::strerror(errno));
  std::rewind(log);
  char buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, log)) > 0;) {
    if (!writeWhole(fd, buffer, n)) {
      const int error = errno;
      ::close(fd);
      throw ReportError("cannot write " + path + ": " + std::strerror(error) +
                        " (a full disk or a file-size limit?)");
    }
  }
  return fd;
}

int run(int argc, char** argv) {
  ReportData data;
  data.options = parseOptions(argc, argv);
  if (data.options.help || data.options.version) {
    std::cout << (data.options.help ? std::string(kReportUsage)
                                    : std::string("velmora-report ") + kCompanionVersion + "\n");
    return 0;
  }
  // The analysis file is read only once its own path has passed.
  if (!data.options.source) {
    refuseControlCharacters("the analysis file's path", data.options.analysisFile);
    data.input = readAnalysisInput(data.options.analysisFile);
  }
  refusePathsWithControlCharacters(data);

  // DIR is taken first, so that a second run on it is refused at once.
  ReportDir dir(data.options.outDir);
  std::vector<ManifestInput> inputs = inputsOf(data);
  std::vector<std::string> inputPaths;
  for (const ManifestInput& i : inputs) inputPaths.push_back(i.path);
  DirState state = dir.inspect(inputPaths);

  if (!data.options.source) checkInputFiles(data.input);
  if (!data.options.genesFile.empty() && !fs::is_regular_file(data.options.genesFile)) {
    throw ReportError("the gene file " + data.options.genesFile +
                      " does not exist or is not a regular file");
  }
  const std::vector<std::pair<std::string, std::string>> programs{{"velmora-report", ownProgram()}};

  // The one reading of the inputs: velmora's load, in this process.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> loadLog(std::tmpfile(), &std::fclose);
  if (!loadLog) throw ReportError("cannot create a temporary file for velmora's messages");
  const bool terminal = ::isatty(2) != 0;
  if (terminal) std::cerr << "velmora-report: loading the cohort\n";
  Stopwatch clock;
  LoadOutcome loaded = loadCohort(data, loadLog.get());
  std::cerr << "velmora-report: cohort loaded in " << clock.lap() << " s\n";
  std::cerr << loaded.importReport;
  for (const std::string& p : data.input.patients) data.patientNames.push_back(sampleName(p));
  for (const std::string& c : data.input.controls) data.controlNames.push_back(sampleName(c));
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
  std::map<std::string, FileDigest> digests = std::move(data.preflight.digests);
  data.preflight = checkLoadedCohort(data.input, core::loadedCohortFacts(), loaded.subjects,
                                     loaded.annotation, data.options.cutoffCm);
  data.preflight.digests = std::move(digests);
  data.build = chooseGenomeBuild(data.options.build, loaded.build);
  if (!data.options.genesFile.empty()) {
    data.genes = readGenes(data.options.genesFile, data.preflight.xNumber);
    for (std::string& w : checkGenesFitBuild(*data.genes, data.options.genesFile, data.build,
                                             data.preflight.xNumber))
      data.preflight.warnings.push_back(std::move(w));
  }
  if (data.options.genesFile.empty() && data.build.source != "assumed") {
    // A known build brings its genes, where one is built in.
    if (std::optional<BuiltInGenes> built = builtInGenes(data.build, data.preflight.xNumber)) {
      data.genes = std::move(built->genes);
      data.genesLabel = std::move(built->label);
    }
  }
  if (!data.options.sharingGiven) {
    data.options.sharing =
        defaultSharingRule(data.preflight.autosomes, &data.options.sharingReason);
  }
  for (const std::string& w : data.preflight.warnings) std::cerr << "WARNING: " << w << "\n";

  dir.beginStaging();
  // velmora writes into the staging directory; the report's own copy of the
  // analysis file names the run/ folder the report will have.
  std::string stagingRun = fs::path(dir.path("run")).lexically_normal().string() + "/";
  std::string finalRun = fs::path(dir.finalPath("run")).lexically_normal().string() + "/";
  try {
    dir.writeFile("analysis.txt", analysisText(data, stagingRun));
    const int log = startVelmoraLog(loadLog.get(), dir.path("velmora.log"));
    struct Close {
      int fd;
      ~Close() { ::close(fd); }
    } closeLog{log};
    loadLog.reset();
    std::vector<int64_t> snps;
    for (const core::ChromosomeSpan& s : data.preflight.autosomes) {
      while (static_cast<int>(snps.size()) < s.number - 1) snps.push_back(0);
      snps.push_back(s.snps);
    }
    std::cerr << "velmora-report: running velmora; its messages go to " << dir.path("velmora.log")
              << "\n";
    {
      StandardErrorTo toLog(log, dir.path("velmora.log"));
      data.cover.start();
      RunProgress progress(static_cast<int>(data.input.patients.size()),
                           static_cast<int>(data.input.controls.size()), snps,
                           terminal ? toLog.original() : nullptr,
                           data.options.sharing.strict() ? &data.cover : nullptr);
      // The query dialogue's answers, ended by an empty line.
      std::string answers = queryInput(queries);
      std::unique_ptr<std::FILE, int (*)(std::FILE*)> answerFile(
          ::fmemopen(answers.data(), answers.size(), "r"), &std::fclose);
      if (!answerFile) throw ReportError("cannot hand velmora its query answers");
      try {
        core::runLoadedAnalysis(stagingRun, data.options.cutoffCm, &progress, answerFile.get(),
                                data.options.velmoraFiles);
      } catch (const FatalError& error) {
        progress.finish();
        throw ReportError("velmora stopped: " + velmoraMessage(error.message) +
                          " (all of it is in " +
                          (state == DirState::earlierReport ? dir.path("velmora.log")
                                                            : dir.finalPath("velmora.log")) +
                          ")");
      }
      progress.finish();
      std::fprintf(toLog.original(), "velmora-report: velmora's analysis took %.1f s\n",
                   clock.lap());
      data.pairs = progress.pairs();
      if (!data.options.sharing.strict()) {
        std::fprintf(toLog.original(), "velmora-report: sharing rule %s%s\n",
                     sharingRuleText(data.options.sharing).c_str(),
                     data.options.sharingReason.c_str());
        std::fflush(toLog.original());
        SharingAnalysis sharing =
            analyseSharing(data.options.cutoffCm, data.options.sharing, data.options.threads,
                           data.withControls(), data.options.permutations > 0, data.cover);
        data.pooled = std::move(sharing.cohort);
        data.sharingSource = std::move(sharing.source);
        if (data.withControls()) data.sharingRepresentative = std::move(sharing.representative);
        std::fprintf(toLog.original(), "velmora-report: the sharing analysis took %.1f s\n",
                     clock.lap());
      }
      if (data.options.permutations > 0) {
        if (data.withControls()) {
          std::fprintf(toLog.original(),
                       "velmora-report: %lld relabellings of patients and controls (seed %llu)\n",
                       static_cast<long long>(data.options.permutations),
                       static_cast<unsigned long long>(data.options.seed));
        } else {
          std::fprintf(toLog.original(),
                       "velmora-report: %lld null genomes drawn from the patients' calls (seed "
                       "%llu)\n",
                       static_cast<long long>(data.options.permutations),
                       static_cast<unsigned long long>(data.options.seed));
        }
        std::fflush(toLog.original());
        if (!data.pooled) {
          try {
            data.pooled = core::pooledCohortOfLoaded(
                data.options.cutoffCm, data.options.threads,
                PoolingChoice{SharingRule{}, !data.withControls(), true});
          } catch (const FatalError& error) {
            throw ReportError("the relabellings cannot start: " + velmoraMessage(error.message));
          }
        }
        data.permutations =
            runPermutations(*data.pooled, data.options.permutations, data.options.seed,
                            data.options.threads, terminal ? toLog.original() : nullptr);
        std::fprintf(toLog.original(), "velmora-report: %s took %.1f s\n",
                     data.withControls() ? "relabellings" : "null genomes", clock.lap());
      }
      toLog.check();
    }
    dir.record("velmora.log");
    writeReport(data, dir);
    std::cerr << "velmora-report: regions, tables, tracks and page written in " << clock.lap()
              << " s\n";
    if (data.options.velmoraFiles) {
      dir.recordFolder("run");
    } else {
      fs::remove_all(dir.path("run"));
    }
    dir.writeFile("analysis.txt", analysisText(data, finalRun));
  } catch (const std::exception&) {
    // Keep the log for the user; nothing else may pass for a result.
    std::error_code ignored;
    fs::remove_all(dir.path("run"), ignored);
    const std::vector<std::string>& written = dir.written();
    if (fs::exists(dir.path("velmora.log")) &&
        std::find(written.begin(), written.end(), "velmora.log") == written.end()) {
      dir.record("velmora.log");
    }
    dir.removeAllBut({"velmora.log"});
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
  std::cerr << "velmora-report: " << verdictSentence(data) << "\n";
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
