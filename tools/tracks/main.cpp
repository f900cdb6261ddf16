// velmora-tracks: turns velmora's start/end lists (fold-overlap lists, fold
// level lists, p-value lists, query results) into BED files for IGV or the
// UCSC browser. Given a directory, it converts every such list in it.
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>

#include "base/analysis_input.h"
#include "base/lines.h"
#include "base/path_text.h"
#include "base/text_fields.h"
#include "base/version.h"
#include "start_end_list.h"
#include "subject_names.h"
#include "track_run.h"

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
    "complete. Paths and list names with control characters are refused.\n"
    "--help prints this, --version the version.\n";

// The names velmora prints for the subjects of an analysis file: the file-name
// part of each genotyping file path of both pools.
std::unique_ptr<SubjectNames> subjectNamesOf(const std::string& analysisFile) {
  return std::make_unique<SubjectNames>(velmoraSubjectNames(readAnalysisInput(analysisFile)));
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
      } else if (args[i] == "--version") {
        std::cout << "velmora-tracks " << kCompanionVersion << "\n";
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
    TrackRequest request;
    request.inputs = inputs;
    request.outDirectory = outDirectory;
    request.analysisFile = analysisFile;
    request.known = known.get();
    request.naming = naming;
    writeTracks(request, std::cerr);
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "ERROR: " << error.what() << '\n';
    return 1;
  }
}
