// Turning velmora's start/end lists into BED tracks: which lists, where each
// track goes, and the writing; velmora-tracks and velmora-report call it.
#include "track_run.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "base/close_file.h"
#include "base/path_text.h"
#include "base/safe_file.h"
#include "start_end_list.h"

namespace fs = std::filesystem;

namespace {

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

void convert(const Job& job, const ChromosomeNaming& naming, const SubjectNames* known,
             std::ostream& messages) {
  StartEndList segments = readStartEndList(job.list.string(), kListLineLimit, known);
  if (segments.segments.empty()) {
    if (job.named)
      throw std::runtime_error(job.list.string() + " holds no segment; no track written");
    messages << "velmora-tracks: " << job.list.string() << " holds no segment; skipped\n";
    return;
  }
  std::ostringstream text;
  writeBedTrack(segments, job.list.stem().string(), naming, text);
  writeInPlace(job.bed, text.str());
  messages << "velmora-tracks: " << job.bed.string() << " (" << segments.segments.size()
           << " segments)\n";
}

}  // namespace

void writeTracks(const TrackRequest& request, std::ostream& messages) {
  // Every output is settled before anything is written.
  if (request.inputs.empty()) throw std::runtime_error("name at least one list or directory");
  std::vector<Job> jobs;
  for (const std::string& input : request.inputs) {
    if (!fs::exists(input)) throw std::runtime_error("no file or directory " + input);
    bool named = !fs::is_directory(input);
    for (const fs::path& list : listsOf(input)) {
      refuseControlCharacters("the name of a list in " + input, list.filename().string());
      fs::path bed = (request.outDirectory ? *request.outDirectory : list.parent_path()) /
                     (list.stem().string() + ".bed");
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
    if (request.analysisFile && bed == identity(*request.analysisFile)) {
      throw std::runtime_error("the track of " + job.list.string() + " would be " +
                               job.bed.string() + ", which is the analysis file; use --outdir");
    }
    auto [other, fresh] = writers.emplace(bed, &job);
    if (!fresh) {
      throw std::runtime_error(other->second->list.string() + " and " + job.list.string() +
                               " would both be written to " + job.bed.string() + "; use --outdir");
    }
  }
  for (const Job& job : jobs) convert(job, request.naming, request.known, messages);
}
