// Locking, inspecting, staging and installing the report directory.
#include "report_dir.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <system_error>

#include "report_error.h"
#include "sha256.h"

namespace fs = std::filesystem;

const char* const kManifestName = "manifest.tsv";
const char* const kManifestFirstLine = "# velmora-report manifest";

namespace {

// Staging directories are named ".NAME" + this + six mkdtemp characters.
const char* const kStagingInfix = ".velmora-report-";

struct ListedFile {
  uint64_t bytes = 0;
  std::string sha256;
};

// The "file" rows of an earlier manifest: relative path, size, checksum.
std::map<std::string, ListedFile> manifestFiles(const fs::path& manifest, bool& isManifest) {
  std::map<std::string, ListedFile> files;
  std::ifstream in(manifest);
  std::string line;
  isManifest = std::getline(in, line) && line == kManifestFirstLine;
  while (isManifest && std::getline(in, line)) {
    if (line.rfind("file\t", 0) != 0) continue;
    std::vector<std::string> f;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
      f.push_back(line.substr(start, tab - start));
    }
    f.push_back(line.substr(start));
    ListedFile listed;
    if (f.size() >= 4) {
      listed.bytes = std::strtoull(f[2].c_str(), nullptr, 10);
      listed.sha256 = f[3];
    }
    files[f[1]] = listed;
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

std::string systemReason() {
  return std::strerror(errno);
}

// ".NAME.velmora-report-" for DIR's last component NAME: the start of every
// staging directory's name.
std::string stagingPrefix(const std::string& dir) {
  std::string prefix(1, '.');
  prefix += fs::path(dir).filename().string();
  prefix += kStagingInfix;
  return prefix;
}

// A new, empty, unique staging directory beside DIR; empty on failure.
std::string makeStaging(const std::string& dir) {
  std::string pattern = (fs::path(dir).parent_path() / stagingPrefix(dir)).string();
  pattern += "XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return "";
  return pattern;
}

// What an interrupted run of an earlier velmora-report left: its working
// files without a manifest, velmora's output directory in its analysis copy
// being DIR/run/. Nothing a user keeps looks like that.
bool isEarlierLeftover(const std::string& dir) {
  static const std::set<std::string> kReportNames{
      "analysis.txt", "velmora.log", "permutations.log", "run",        "tracks",
      "regions.tsv",  "pairs.tsv",   "null_maxima.tsv",  "report.html"};
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir, error)) {
    if (kReportNames.count(entry.path().filename().string()) == 0) return false;
    if (entry.is_symlink()) return false;
  }
  if (error || !fs::is_regular_file(dir + "/velmora.log")) return false;
  std::ifstream analysis(dir + "/analysis.txt");
  std::string wanted = fs::path(dir).lexically_normal().string() + "/run/";
  for (std::string line; std::getline(analysis, line);) {
    if (line == wanted) return true;
  }
  return false;
}

}  // namespace

ReportDir::ReportDir(const std::string& dir) {
  dir_ = fs::absolute(dir).lexically_normal().string();
  while (dir_.size() > 1 && dir_.back() == '/') dir_.pop_back();
  if (dir_ == "/") throw ReportError("--out cannot be the root directory");
  for (int attempt = 0; attempt < 16; ++attempt) {
    struct stat info {};
    if (::lstat(dir_.c_str(), &info) != 0) {
      if (errno != ENOENT) throw ReportError("cannot inspect --out " + dir + ": " + systemReason());
      // Missing parents are made too, and removed again with DIR when the
      // run ends without a report.
      std::error_code error;
      for (fs::path up = fs::path(dir_).parent_path(); !up.empty() && !fs::exists(up, error);
           up = up.parent_path()) {
        createdParents_.push_back(up.string());
      }
      fs::create_directories(fs::path(dir_).parent_path(), error);
      if (::mkdir(dir_.c_str(), 0777) == 0) {
        createdDir_ = true;
      } else if (errno != EEXIST) {
        throw ReportError("cannot create the report directory " + dir + ": " + systemReason());
      }
      continue;
    }
    if (S_ISLNK(info.st_mode))
      throw ReportError("--out " + dir + " is a symbolic link; name the directory itself");
    if (!S_ISDIR(info.st_mode))
      throw ReportError("--out " + dir + " exists and is not a directory");
    int fd = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;  // replaced meanwhile: look again
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      if (errno == EWOULDBLOCK) {
        throw ReportError("--out " + dir +
                          " is in use by another velmora-report run; wait for it to finish "
                          "or name another directory");
      }
      throw ReportError("cannot lock --out " + dir + ": " + systemReason());
    }
    // A run that held the lock may have put its new report in place of the
    // directory just opened; the lock counts only if DIR is still that one.
    struct stat locked {
    }, now{};
    if (::fstat(fd, &locked) == 0 && ::lstat(dir_.c_str(), &now) == 0 &&
        locked.st_dev == now.st_dev && locked.st_ino == now.st_ino) {
      lockFd_ = fd;
      return;
    }
    ::close(fd);
  }
  throw ReportError("--out " + dir + " keeps changing while velmora-report tries to lock it");
}

ReportDir::~ReportDir() {
  std::error_code ignored;
  if (!installed_ && !staging_.empty()) {
    // A staging directory left for the user names itself in the run's error;
    // otherwise nothing of this run stays beside DIR.
    if (written_.empty()) fs::remove_all(staging_, ignored);
  }
  if (!installed_ && createdDir_) {
    ::rmdir(dir_.c_str());  // only when still empty
    for (const std::string& parent : createdParents_) ::rmdir(parent.c_str());
  }
  if (stagingFd_ >= 0) ::close(stagingFd_);
  if (lockFd_ >= 0) ::close(lockFd_);
}

DirState ReportDir::inspect(const std::vector<std::string>& inputs) {
  std::error_code error;
  fs::path root = fs::weakly_canonical(dir_, error);
  if (error) throw ReportError("cannot resolve the report directory " + dir_);
  for (const std::string& input : inputs) {
    fs::path resolved = fs::weakly_canonical(fs::absolute(input), error);
    if (!error && inside(resolved, root)) {
      throw ReportError("the input " + input + " lies inside the report directory " + dir_ +
                        "; choose another --out");
    }
  }

  // Leftovers of interrupted runs: only a run holding DIR's lock makes them,
  // and this run holds it now.
  fs::path parent = fs::path(dir_).parent_path();
  std::string prefix = stagingPrefix(dir_);
  for (const fs::directory_entry& entry : fs::directory_iterator(parent, error)) {
    std::string name = entry.path().filename().string();
    if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 &&
        entry.is_directory() && !entry.is_symlink()) {
      std::error_code ignored;
      fs::remove_all(entry.path(), ignored);
    }
  }

  if (fs::is_empty(dir_, error)) return createdDir_ ? DirState::absent : DirState::empty;
  bool isManifest = false;
  std::map<std::string, ListedFile> listed =
      manifestFiles(fs::path(dir_) / kManifestName, isManifest);
  if (!isManifest) {
    if (isEarlierLeftover(dir_)) return DirState::earlierReport;
    throw ReportError(
        "--out " + dir_ +
        " is not empty and holds no velmora-report manifest; nothing in it was touched. "
        "Name a new or empty directory, or an earlier report.");
  }
  std::vector<std::string> changed;
  for (auto it = fs::recursive_directory_iterator(dir_); it != fs::recursive_directory_iterator();
       ++it) {
    std::string relative = fs::relative(it->path(), dir_).generic_string();
    if (it->is_symlink() || (!it->is_directory() && !it->is_regular_file())) {
      throw ReportError("--out " + dir_ + " holds " + relative +
                        ", which no velmora-report wrote; nothing in it was touched");
    }
    if (it->is_directory() || relative == kManifestName) continue;
    auto entry = listed.find(relative);
    if (entry == listed.end()) {
      changed.push_back(relative + " (not in its manifest)");
      continue;
    }
    FileDigest digest = digestFile(it->path().string());
    if (digest.size != entry->second.bytes || digest.sha256 != entry->second.sha256) {
      changed.push_back(relative + " (edited)");
    }
  }
  if (!changed.empty()) {
    std::string names;
    for (const std::string& c : changed) names += (names.empty() ? "" : ", ") + c;
    throw ReportError("--out " + dir_ +
                      " holds an earlier report whose files changed since it was made: " + names +
                      ". Nothing in it was touched; move what you want to keep, or name "
                      "another directory.");
  }
  return DirState::earlierReport;
}

void ReportDir::beginStaging() {
  staging_ = makeStaging(dir_);
  if (staging_.empty()) {
    throw ReportError("cannot create a staging directory beside " + dir_ + ": " + systemReason());
  }
  // mkdtemp makes it private; the report keeps the mode DIR has.
  struct stat info {
  }, staged{};
  if (::fstat(lockFd_, &info) == 0) ::chmod(staging_.c_str(), info.st_mode & 07777);
  // The finished report is exchanged with DIR by a rename, which cannot
  // cross file systems: say so now rather than after the whole run.
  if (::stat(staging_.c_str(), &staged) == 0 && staged.st_dev != info.st_dev) {
    ::rmdir(staging_.c_str());
    staging_.clear();
    throw ReportError("--out " + dir_ +
                      " is a mount point: the report is built beside it and could not take its "
                      "place; name a directory inside it");
  }
  stagingFd_ = ::open(staging_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (stagingFd_ >= 0) ::flock(stagingFd_, LOCK_EX | LOCK_NB);
  std::error_code error;
  fs::create_directory(fs::path(staging_) / "run", error);
  if (!error) fs::create_directory(fs::path(staging_) / "tracks", error);
  if (error) {
    throw ReportError("cannot create the staging directory " + staging_ + ": " + error.message());
  }
}

void ReportDir::writeFile(const std::string& relative, const std::string& content) {
  std::string full = path(relative);
  std::FILE* file = std::fopen(full.c_str(), "wb");
  if (file == nullptr) throw ReportError("cannot write " + full + ": " + systemReason());
  record(relative);
  size_t done = std::fwrite(content.data(), 1, content.size(), file);
  int why = done == content.size() ? 0 : errno;
  if (std::fflush(file) != 0 && why == 0) why = errno;
  if (std::fclose(file) != 0 && why == 0) why = errno;
  if (done != content.size() || why != 0) {
    throw ReportError("cannot write " + full + ": " + std::strerror(why != 0 ? why : EIO) +
                      " (a full disk or a file-size limit?)");
  }
  digests_[full] = {content.size(), sha256Hex(content)};
}

void ReportDir::record(const std::string& relative) {
  if (std::find(written_.begin(), written_.end(), relative) == written_.end())
    written_.push_back(relative);
}

void ReportDir::recordFolder(const std::string& relativeFolder) {
  std::vector<std::string> found;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(path(relativeFolder))) {
    if (entry.is_regular_file())
      found.push_back(fs::relative(entry.path(), staging_).generic_string());
  }
  std::sort(found.begin(), found.end());
  for (const std::string& f : found) record(f);
}

void ReportDir::removeAllBut(const std::vector<std::string>& keep) {
  std::error_code error;
  for (const char* folder : {"run", "tracks"}) {
    for (auto it = fs::recursive_directory_iterator(path(folder), error);
         !error && it != fs::recursive_directory_iterator(); ++it) {
      if (it->is_regular_file()) record(fs::relative(it->path(), staging_).generic_string());
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
  fs::remove_all(path("run"), error);
  fs::remove_all(path("tracks"), error);
  written_ = kept;
}

void ReportDir::install() {
  if (::renameat2(AT_FDCWD, staging_.c_str(), AT_FDCWD, dir_.c_str(), RENAME_EXCHANGE) != 0) {
    if (errno != EINVAL && errno != ENOSYS) {
      throw ReportError("cannot put the new report in place of " + dir_ + ": " + systemReason());
    }
    // No exchange on this file system: move DIR aside, then the report in.
    // The aside name is a staging name too, so that a run killed between
    // the two renames leaves nothing the next run does not clear.
    std::string aside = makeStaging(dir_);
    if (aside.empty() || ::rmdir(aside.c_str()) != 0 ||
        ::rename(dir_.c_str(), aside.c_str()) != 0) {
      throw ReportError("cannot move " + dir_ + " aside for the new report: " + systemReason());
    }
    if (::rename(staging_.c_str(), dir_.c_str()) != 0) {
      int why = errno;
      ::rename(aside.c_str(), dir_.c_str());
      throw ReportError("cannot put the new report in place of " + dir_ + ": " +
                        std::strerror(why));
    }
    ::rename(aside.c_str(), staging_.c_str());
  }
  installed_ = true;
  // What DIR held now sits at the staging name.
  std::error_code ignored;
  fs::remove_all(staging_, ignored);
}
