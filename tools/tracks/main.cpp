// velmora-tracks: turns velmora's start/end lists (fold-overlap lists, fold
// level lists, p-value lists, query results) into BED files for IGV or the
// UCSC browser. Given a directory, it converts every such list in it.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "base/analysis_input.h"
#include "base/close_file.h"
#include "base/lines.h"
#include "base/path_text.h"
#include "base/safe_file.h"
#include "base/text_fields.h"
#include "bed_track.h"
#include "start_end_list.h"
#include "subject_names.h"

namespace fs = std::filesystem;

namespace {

const char* const kUsage =
    "Usage: velmora-tracks [--no-chr-prefix] [--x-number N] [--outdir DIR]\n"
    "                      [--analysis FILE] LIST|DIR...\n"
    "\n"
    "Writes LIST's segments as BED (0-based, half-open) beside it, or into DIR,\n"
    "named like LIST with .bed for .txt. A directory stands for its lists\n"
    "HH_*_FoldOverlaps_*.txt, HH_NoStSharingRCHHs*.txt, HH_P_Value_*.txt and\n"
    "HH_RCHHsSharedBy*.txt.\n"
    "  --no-chr-prefix  chromosomes as 7 rather than chr7\n"
    "  --x-number N     chromosome N is X (velmora's X is one above the highest autosome)\n"
    "  --analysis FILE  velmora's analysis file of the lists: subjects' names are its\n"
    "                   genotyping files' names, so that a name may hold blanks\n"
    "Subjects' names in a BED are joined by ',', with blanks, control characters,\n"
    "',' and '%' written %XX.\n"
    "A BED never replaces a list given or the analysis file, two lists never write\n"
    "one BED, and each BED is written to a temporary file renamed into place when\n"
    "complete. Paths and list names with control characters are refused.\n";

bool isListName(const std::string& name) {
  static const std::regex pattern(
      R"(HH_(\d{3}_FoldOverlaps_.*|NoStSharingRCHHs.*|P_Value_.*|RCHHsSharedBy.*)\.txt)");
  return std::regex_match(name, pattern);
}

std::vector<fs::path> listsOf(const std::string& argument) {
  if (!fs::is_directory(argument)) return {fs::path(argument)};
  std::vector<fs::path> lists;
  for (const fs::directory_entry& entry : fs::directory_iterator(argument)) {
    // is_regular_file follows a link to a regular file; FIFOs and devices are passed over.
    if (entry.is_regular_file() && isListName(entry.path().filename().string()))
      lists.push_back(entry.path());
  }
  std::sort(lists.begin(), lists.end());
  return lists;
}

struct Job {
  fs::path list;
  fs::path bed;
  bool named;  // given by name, not found in a directory
};

// A path compared by what it names: the parent directory resolved, so that
// "a/../x.txt" and "x.txt" meet; the last component is kept as written.
std::string identity(const fs::path& path) {
  std::error_code error;
  fs::path parent = fs::weakly_canonical(fs::absolute(path).parent_path(), error);
  return (parent / path.filename()).lexically_normal().string();
}

// Writes `text` to a temporary file beside `bed`, then renames it into place:
// a failed write leaves an earlier BED as it was, and a link at `bed` is
// replaced, never followed.
void writeInPlace(const fs::path& bed, const std::string& text) {
  if (!outputNameIsFree(bed.string())) {
    throw std::runtime_error(bed.string() + " exists and is not a regular file of its own " +
                             "(a link, a directory or a file with other hard links); not replaced");
  }
  std::string temporary = bed.string() + ".tmp-XXXXXX";
  int fd = mkstemp(temporary.data());
  if (fd < 0) throw std::runtime_error("cannot create a file beside " + bed.string());
  // mkstemp creates 0600; a BED is as readable as any file the user creates.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  FILE* out = fdopen(fd, "w");
  bool written = out != nullptr && std::fwrite(text.data(), 1, text.size(), out) == text.size();
  written = out != nullptr && finishWrittenFile(out) && written;
  if (out == nullptr) close(fd);
  if (!written || std::rename(temporary.c_str(), bed.c_str()) != 0) {
    std::remove(temporary.c_str());
    throw std::runtime_error("cannot write " + bed.string());
  }
}

// The names velmora prints for the subjects of an analysis file: the file-name
// part of each genotyping file path of both pools.
std::unique_ptr<SubjectNames> subjectNamesOf(const std::string& analysisFile) {
  AnalysisInput input = readAnalysisInput(analysisFile);
  std::vector<std::string> names;
  for (const auto* pool : {&input.patients, &input.controls}) {
    for (const std::string& path : *pool) names.emplace_back(fileNameBody(path.c_str()));
  }
  return std::make_unique<SubjectNames>(names);
}

void convert(const Job& job, const ChromosomeNaming& naming, const SubjectNames* known) {
  StartEndList segments = readStartEndList(job.list.string(), kListLineLimit, known);
  if (segments.segments.empty()) {
    if (job.named)
      throw std::runtime_error(job.list.string() + " holds no segment; no track written");
    std::cerr << "velmora-tracks: " << job.list.string() << " holds no segment; skipped\n";
    return;
  }
  std::ostringstream text;
  writeBedTrack(segments, job.list.stem().string(), naming, text);
  writeInPlace(job.bed, text.str());
  std::cerr << "velmora-tracks: " << job.bed.string() << " (" << segments.segments.size()
            << " segments)\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  ChromosomeNaming naming;
  std::optional<fs::path> outDirectory;
  std::unique_ptr<SubjectNames> known;
  std::optional<std::string> analysisFile;
  std::vector<std::string> inputs;
  try {
    for (size_t i = 0; i < args.size(); ++i) {
      if (args[i] == "-h" || args[i] == "--help") {
        std::cout << kUsage;
        return 0;
      } else if (args[i] == "--no-chr-prefix") {
        naming.chrPrefix = false;
      } else if (args[i] == "--x-number" && i + 1 < args.size()) {
        const std::string& text = args[++i];
        std::optional<int64_t> number = parseWholeInteger(text);
        if (!number || *number < 1 || *number > kLargestListChromosome) {
          throw std::runtime_error("--x-number needs a chromosome number from 1 to " +
                                   std::to_string(kLargestListChromosome) + ", not '" + text + "'");
        }
        naming.xNumber = static_cast<int>(*number);
      } else if (args[i] == "--outdir" && i + 1 < args.size()) {
        // A BED's track line carries its list's name, and the messages the
        // paths: a line break or tab in either would break them.
        refuseControlCharacters("--outdir", args[i + 1]);
        outDirectory = args[++i];
        if (!fs::is_directory(*outDirectory))
          throw std::runtime_error("no directory " + outDirectory->string());
      } else if (args[i] == "--analysis" && i + 1 < args.size()) {
        refuseControlCharacters("--analysis", args[i + 1]);
        analysisFile = args[++i];
        known = subjectNamesOf(*analysisFile);
      } else if (!args[i].empty() && args[i][0] == '-') {
        refuseControlCharacters("argument " + std::to_string(i + 1), args[i]);
        throw std::runtime_error("unknown or incomplete option '" + args[i] + "'\n" + kUsage);
      } else {
        refuseControlCharacters("the list or directory " + std::to_string(inputs.size() + 1),
                                args[i]);
        inputs.push_back(args[i]);
      }
    }
    if (inputs.empty())
      throw std::runtime_error(std::string("name at least one list or directory\n") + kUsage);
    // Every output is settled before anything is written.
    std::vector<Job> jobs;
    for (const std::string& input : inputs) {
      if (!fs::exists(input)) throw std::runtime_error("no file or directory " + input);
      bool named = !fs::is_directory(input);
      for (const fs::path& list : listsOf(input)) {
        refuseControlCharacters("the name of a list in " + input, list.filename().string());
        fs::path bed =
            (outDirectory ? *outDirectory : list.parent_path()) / (list.stem().string() + ".bed");
        jobs.push_back(Job{list, bed, named});
      }
    }
    if (jobs.empty()) throw std::runtime_error("no velmora start/end list found");
    std::map<std::string, const Job*> readers;
    std::map<std::string, const Job*> writers;
    for (const Job& job : jobs) readers.emplace(identity(job.list), &job);
    for (const Job& job : jobs) {
      std::string bed = identity(job.bed);
      if (readers.count(bed) != 0) {
        throw std::runtime_error(
            "the track of " + job.list.string() + " would be " + job.bed.string() +
            ", which is a list given to read; name lists ending in .txt or use --outdir");
      }
      if (analysisFile && bed == identity(*analysisFile)) {
        throw std::runtime_error("the track of " + job.list.string() + " would be " +
                                 job.bed.string() + ", which is the analysis file; use --outdir");
      }
      auto [other, fresh] = writers.emplace(bed, &job);
      if (!fresh) {
        throw std::runtime_error(other->second->list.string() + " and " + job.list.string() +
                                 " would both be written to " + job.bed.string() +
                                 "; use --outdir");
      }
    }
    for (const Job& job : jobs) convert(job, naming, known.get());
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "ERROR: " << error.what() << '\n';
    return 1;
  }
}
