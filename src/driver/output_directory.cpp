// Taking, checking and clearing the output directory of a run.
#include "driver/output_directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/lines.h"
#include "base/output.h"
#include "genome/model.h"
#include "genome/pass_storage.h"

namespace {

int lockDescriptor = -1;  // held open until the process ends
dev_t lockedDevice = 0;
ino_t lockedInode = 0;

// The output prefix split into the directory it names and the text that
// every output name in it begins with ("out/run1_" → "out/", "run1_").
struct Prefix {
  std::string directory;  // to open
  std::string pathPart;   // what output names carry before the entry's name
  std::string namePrefix;
};

Prefix splitPrefix(const std::string& outputFilePath) {
  const size_t slash = outputFilePath.rfind('/');
  if (slash == std::string::npos) return {".", "", outputFilePath};
  const std::string dir = outputFilePath.substr(0, slash + 1);
  return {dir, dir, outputFilePath.substr(slash + 1)};
}

bool startsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

bool endsWithDigits(const std::string& text, size_t from) {
  if (from >= text.size()) return false;
  return std::all_of(text.begin() + static_cast<long>(from), text.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

// "…_chrNNN.txt", "…_chrNNN.ps" (pass pieces) and "….ps_chrNNN" (query pieces).
bool isPieceName(const std::string& rest) {
  for (const char* extension : {".txt", ".ps"}) {
    const size_t length = std::strlen(extension);
    if (rest.size() <= length || rest.compare(rest.size() - length, length, extension) != 0)
      continue;
    const std::string body = rest.substr(0, rest.size() - length);
    const size_t chr = body.rfind("_chr");
    if (chr != std::string::npos && endsWithDigits(body, chr + 4)) return true;
  }
  const size_t chr = rest.rfind(".ps_chr");
  return chr != std::string::npos && endsWithDigits(rest, chr + 7);
}

// Names of the directory's entries that begin with `namePrefix`.
std::vector<std::string> entriesStartingWith(const Prefix& prefix) {
  std::vector<std::string> names;
  DIR* dir = opendir(prefix.directory.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (startsWith(name, prefix.namePrefix)) names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::string fullName(const Prefix& prefix, const std::string& name) {
  return prefix.pathPart + name;
}

int64_t pairsOf(int64_t n) {
  return n * (n - 1) / 2;
}

}  // namespace

void claimOutputDirectory(const std::string& outputFilePath) {
  const Prefix prefix = splitPrefix(outputFilePath);
  const int fd = ::open(prefix.directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat identity;
  if (::fstat(fd, &identity) == 0 && lockDescriptor >= 0 && identity.st_dev == lockedDevice &&
      identity.st_ino == lockedInode) {
    ::close(fd);  // this process holds the directory already
  } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    fatal(
        "ERROR: The output directory %s is in use by another velmora run; wait for that run "
        "to end, or choose another output directory.\n",
        prefix.directory.c_str());
  } else {
    if (lockDescriptor >= 0) ::close(lockDescriptor);
    lockDescriptor = fd;
    lockedDevice = identity.st_dev;
    lockedInode = identity.st_ino;
  }
  for (const std::string& name : entriesStartingWith(prefix)) {
    const std::string rest = name.substr(prefix.namePrefix.size());
    if (!startsWith(rest, "HH_") && !startsWith(rest, "tempFile") &&
        !startsWith(rest, "____temp____")) {
      continue;
    }
    const std::string path = fullName(prefix, name);
    if (!outputNameIsFree(path)) refuseNotOwnFile(path);
  }
}

void removeStalePieces(bool pairFiles) {
  const Prefix prefix = splitPrefix(settings.outputFilePath);
  for (const std::string& name : entriesStartingWith(prefix)) {
    const std::string rest = name.substr(prefix.namePrefix.size());
    const bool piece = startsWith(rest, "HH_") && isPieceName(rest);
    const bool pairFile = pairFiles && startsWith(rest, "tempFile") && rest.size() > 12 &&
                          rest.compare(rest.size() - 4, 4, ".txt") == 0 &&
                          endsWithDigits(rest.substr(0, rest.size() - 4), 8);
    if (!piece && !pairFile) continue;
    const std::string path = fullName(prefix, name);
    // Only the run's own kind of file is removed; anything else stops the run
    // when a writer meets it.
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) std::remove(path.c_str());
  }
}

uint64_t estimatedPairFileBytes() {
  int64_t slots = 0;
  for (int32_t k = 0; k < autosomeSlots(); ++k) {
    if (!slotEmpty(k)) ++slots;
  }
  uint64_t largest = 0;
  for (int p = 0; p < 2; ++p) {
    const int64_t n = settings.noTgPool[p];
    if (n == 0) continue;
    size_t longestName = 0;
    for (const std::string& path : settings.stFile[p]) {
      longestName = std::max(longestName, std::strlen(fileNameBody(path.c_str())));
    }
    const int64_t digits = static_cast<int64_t>(std::to_string(n).size());
    // "(a,b)\t", nine fixed-width numbers with their tabs, and both names.
    const int64_t rowBytes = 2 * digits + 4 + 90 + 2 * static_cast<int64_t>(longestName);
    // The representative pass writes n rows, always fewer than the pairs'.
    const int64_t rows = std::max(pairsOf(n), n);
    largest = std::max(largest, static_cast<uint64_t>(rows) * static_cast<uint64_t>(rowBytes));
  }
  return largest * static_cast<uint64_t>(slots);
}

void requirePairFileSpace(uint64_t freeBytes) {
  const uint64_t needed = estimatedPairFileBytes();
  if (needed <= freeBytes) return;
  const double mega = 1024.0 * 1024.0;
  fatal(
      "ERROR: The temporary pair files of this run need about %.1f MB, but the file system of "
      "the output directory %s has only %.1f MB free.\n",
      static_cast<double>(needed) / mega, settings.outputFilePath.c_str(),
      static_cast<double>(freeBytes) / mega);
}

void checkPairFileSpace() {
  const Prefix prefix = splitPrefix(settings.outputFilePath);
  struct statvfs info;
  if (::statvfs(prefix.directory.c_str(), &info) != 0) return;  // no figure to check against
  requirePairFileSpace(static_cast<uint64_t>(info.f_bavail) * static_cast<uint64_t>(info.f_frsize));
}
