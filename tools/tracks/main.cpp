// velmora-tracks: turns velmora's start/end lists (fold-overlap lists, fold
// level lists, p-value lists, query results) into BED files for IGV or the
// UCSC browser. Given a directory, it converts every such list in it.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "bed_track.h"
#include "start_end_list.h"

namespace fs = std::filesystem;

namespace {

const char* const kUsage =
    "Usage: velmora-tracks [--no-chr-prefix] [--x-number N] [--outdir DIR] LIST|DIR...\n"
    "\n"
    "Writes LIST's segments as BED (0-based, half-open) beside it, or into DIR,\n"
    "named like LIST with .bed for .txt. A directory stands for its lists\n"
    "HH_*_FoldOverlaps_*.txt, HH_NoStSharingRCHHs*.txt, HH_P_Value_*.txt and\n"
    "HH_RCHHsSharedBy*.txt.\n"
    "  --no-chr-prefix  chromosomes as 7 rather than chr7\n"
    "  --x-number N     chromosome N is X (velmora's X is one above the highest autosome)\n";

bool isListName(const std::string& name) {
  static const std::regex pattern(
      R"(HH_(\d{3}_FoldOverlaps_.*|NoStSharingRCHHs.*|P_Value_.*|RCHHsSharedBy.*)\.txt)");
  return std::regex_match(name, pattern);
}

std::vector<fs::path> listsOf(const std::string& argument) {
  if (!fs::is_directory(argument)) return {fs::path(argument)};
  std::vector<fs::path> lists;
  for (const fs::directory_entry& entry : fs::directory_iterator(argument)) {
    if (entry.is_regular_file() && isListName(entry.path().filename().string())) lists.push_back(entry.path());
  }
  std::sort(lists.begin(), lists.end());
  return lists;
}

void convert(const fs::path& list, const std::optional<fs::path>& outDirectory, const ChromosomeNaming& naming) {
  StartEndList segments = readStartEndList(list.string());
  std::string trackName = list.stem().string();
  fs::path bed = (outDirectory ? *outDirectory : list.parent_path()) / (trackName + ".bed");
  std::ostringstream text;
  writeBedTrack(segments, trackName, naming, text);
  std::ofstream out(bed, std::ios::binary);
  out << text.str();
  out.close();
  if (!out) throw std::runtime_error("cannot write " + bed.string());
  std::cerr << "velmora-tracks: " << bed.string() << " (" << segments.segments.size() << " segments)\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  ChromosomeNaming naming;
  std::optional<fs::path> outDirectory;
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
        size_t used = 0;
        int number = 0;
        try {
          number = std::stoi(text, &used);
        } catch (const std::exception&) {
          used = 0;
        }
        if (used != text.size() || number < 1) throw std::runtime_error("--x-number needs a chromosome number, not '" + text + "'");
        naming.xNumber = number;
      } else if (args[i] == "--outdir" && i + 1 < args.size()) {
        outDirectory = args[++i];
        if (!fs::is_directory(*outDirectory)) throw std::runtime_error("no directory " + outDirectory->string());
      } else if (!args[i].empty() && args[i][0] == '-') {
        throw std::runtime_error("unknown or incomplete option '" + args[i] + "'\n" + kUsage);
      } else {
        inputs.push_back(args[i]);
      }
    }
    if (inputs.empty()) throw std::runtime_error(std::string("name at least one list or directory\n") + kUsage);
    size_t converted = 0;
    for (const std::string& input : inputs) {
      if (!fs::exists(input)) throw std::runtime_error("no file or directory " + input);
      for (const fs::path& list : listsOf(input)) {
        convert(list, outDirectory, naming);
        ++converted;
      }
    }
    if (converted == 0) throw std::runtime_error("no velmora start/end list found");
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "ERROR: " << error.what() << '\n';
    return 1;
  }
}
