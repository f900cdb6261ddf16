// Fatal stops as exceptions and the scratch directory of the fuzz entries.
#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/output.h"

namespace {

[[noreturn]] void throwFatalStop(const std::string& message) {
  throw FatalStop{message};
}

std::string scratch;

void removeScratch() {
  std::error_code ignored;
  if (!scratch.empty()) std::filesystem::remove_all(scratch, ignored);
}

}  // namespace

void catchFatalStops() {
  static const bool installed = (setFatalHandler(throwFatalStop), true);
  (void)installed;
}

void fuzzFinding(const std::string& what) {
  std::fprintf(stderr, "FUZZ FINDING: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

// Every input is written to a file, rewritten in place for the next one; on a
// disk file system each rewrite waits for the disk, so memory-backed /dev/shm
// is preferred where there is one.
static std::filesystem::path scratchParent() {
  std::error_code error;
  const std::filesystem::path shm("/dev/shm");
  if (std::filesystem::is_directory(shm, error) && access(shm.c_str(), W_OK) == 0) return shm;
  return std::filesystem::temp_directory_path();
}

const std::string& scratchDir() {
  if (scratch.empty()) {
    std::string pattern = (scratchParent() / "velmora-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) fuzzFinding("cannot create a scratch directory");
    scratch = pattern;
    std::atexit(removeScratch);
  }
  return scratch;
}

std::string scratchPath(const std::string& name) {
  return scratchDir() + "/" + name;
}

std::string writeScratchFile(const std::string& name, const void* data, size_t size) {
  const std::string path = scratchPath(name);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  if (!out) fuzzFinding("cannot write " + path);
  return path;
}

std::string writeScratchFile(const std::string& name, const std::string& content) {
  return writeScratchFile(name, content.data(), content.size());
}
