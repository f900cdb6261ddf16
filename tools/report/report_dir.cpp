// Inspecting, emptying and filling the report directory.
#include "report_dir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

#include "report_error.h"

namespace fs = std::filesystem;

const char* const kManifestName = "manifest.tsv";
const char* const kManifestFirstLine = "# velmora-report manifest";

namespace {

// The relative paths of the files an earlier manifest lists ("file" rows).
std::set<std::string> manifestFiles(const fs::path& manifest, bool& isManifest) {
  std::set<std::string> files;
  std::ifstream in(manifest);
  std::string line;
  isManifest = std::getline(in, line) && line == kManifestFirstLine;
  while (isManifest && std::getline(in, line)) {
    if (line.rfind("file\t", 0) != 0) continue;
    size_t end = line.find('\t', 5);
    files.insert(line.substr(5, end == std::string::npos ? std::string::npos : end - 5));
  }
  return files;
}

bool inside(const fs::path& child, const fs::path& parent) {
  auto c = child.begin(), p = parent.begin();
  for (; p != parent.end(); ++p, ++c) {
    if (c == child.end() || *c != *p) return false;
  }
  return true;
}

}  // namespace

DirState inspectReportDir(const std::string& dir, const std::vector<std::string>& inputs) {
  std::error_code error;
  fs::path root = fs::weakly_canonical(fs::absolute(dir), error);
  if (error) throw ReportError("cannot resolve the report directory " + dir);
  for (const std::string& input : inputs) {
    fs::path resolved = fs::weakly_canonical(fs::absolute(input), error);
    if (!error && inside(resolved, root)) {
      throw ReportError("the input " + input + " lies inside the report directory " + dir +
                        "; choose another --out");
    }
  }
  fs::file_status status = fs::symlink_status(dir, error);
  if (!fs::exists(status)) return DirState::absent;
  if (!fs::is_directory(status))
    throw ReportError("--out " + dir + " exists and is not a directory");
  if (fs::is_empty(dir, error)) return DirState::empty;
  bool isManifest = false;
  std::set<std::string> listed = manifestFiles(fs::path(dir) / kManifestName, isManifest);
  if (!isManifest) {
    throw ReportError(
        "--out " + dir +
        " is not empty and holds no velmora-report manifest; nothing in it was touched. "
        "Name a new or empty directory, or an earlier report.");
  }
  for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator();
       ++it) {
    std::string relative = fs::relative(it->path(), dir).generic_string();
    if (it->is_symlink() || (!it->is_directory() && !it->is_regular_file())) {
      throw ReportError("--out " + dir + " holds " + relative +
                        ", which no velmora-report wrote; nothing in it was touched");
    }
    if (it->is_directory()) continue;
    if (relative != kManifestName && listed.count(relative) == 0) {
      throw ReportError("--out " + dir + " holds " + relative +
                        ", which its manifest does not list; nothing in it was touched");
    }
  }
  return DirState::earlierReport;
}

void ReportDir::prepare(DirState state) {
  std::error_code error;
  if (state == DirState::earlierReport) {
    // Only files and folders of the earlier report are in it (checked above).
    for (const fs::directory_entry& entry : fs::directory_iterator(dir_)) {
      fs::remove_all(entry.path(), error);
      if (error)
        throw ReportError("cannot remove " + entry.path().string() + " of the earlier report");
    }
  }
  fs::create_directories(fs::path(dir_) / "run", error);
  if (!error) fs::create_directories(fs::path(dir_) / "tracks", error);
  if (error)
    throw ReportError("cannot create the report directory " + dir_ + ": " + error.message());
}

void ReportDir::writeFile(const std::string& relative, const std::string& content) {
  std::string full = path(relative);
  std::ofstream out(full, std::ios::binary | std::ios::trunc);
  out << content;
  out.close();
  if (!out) throw ReportError("cannot write " + full);
  record(relative);
}

void ReportDir::record(const std::string& relative) {
  if (std::find(written_.begin(), written_.end(), relative) == written_.end())
    written_.push_back(relative);
}

void ReportDir::recordFolder(const std::string& relativeFolder) {
  std::vector<std::string> found;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(path(relativeFolder))) {
    if (entry.is_regular_file()) found.push_back(fs::relative(entry.path(), dir_).generic_string());
  }
  std::sort(found.begin(), found.end());
  for (const std::string& f : found) record(f);
}

void ReportDir::removeAllBut(const std::vector<std::string>& keep) {
  std::error_code error;
  for (const char* folder : {"run", "tracks"}) {
    for (auto it = fs::recursive_directory_iterator(path(folder), error);
         !error && it != fs::recursive_directory_iterator(); ++it) {
      if (it->is_regular_file()) record(fs::relative(it->path(), dir_).generic_string());
    }
  }
  std::vector<std::string> kept;
  for (const std::string& file : written_) {
    if (std::find(keep.begin(), keep.end(), file) != keep.end()) {
      kept.push_back(file);
    } else {
      fs::remove(path(file), error);
    }
  }
  fs::remove(path("run"), error);
  fs::remove(path("tracks"), error);
  written_ = kept;
}
