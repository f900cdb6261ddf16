// Fuzz entry of the analysis file reader. The paths an analysis file may name
// exist in a fixture directory, which is the working directory during a call,
// so that relative paths in the input reach them.
#include <unistd.h>

#include <filesystem>
#include <string>

#include "driver/analysis_file.h"
#include "fuzz_entries.h"
#include "genome/model.h"

namespace {

const std::string& fixtureDir() {
  static const std::string dir = [] {
    writeScratchFile("fixture/annotation.txt", "1\t100\t0.5\trs1\t0.1\n2\t100\t0.5\trs2\t0.1\n");
    for (const char* name : {"p1.txt", "p2.txt", "c1.txt"}) {
      writeScratchFile(std::string("fixture/") + name, "rs1\tAA\nrs2\tBB\n");
    }
    writeScratchFile("fixture/areas.txt", "1 100 0.1\n1 100 0.1\n");
    std::filesystem::create_directories(scratchPath("fixture/out"));
    return scratchPath("fixture");
  }();
  return dir;
}

// Restores the working directory however the call ends.
class InDirectory {
 public:
  explicit InDirectory(const std::string& dir) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~InDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
  }
  InDirectory(const InDirectory&) = delete;
  InDirectory& operator=(const InDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

}  // namespace

FuzzResult fuzzAnalysisFile(const uint8_t* data, size_t size) {
  const std::string path = writeScratchFile("fixture/analysis.txt", data, size);
  InDirectory inFixture(fixtureDir());
  return runReader([&] {
    resetModel();
    readAnalysisFile(path);
    const int32_t patients = settings.noTgPool[enum_patients];
    const int32_t controls = settings.noTgPool[enum_controls];
    if (patients < 1 || patients > kMaxPatients || controls < 0 || controls > kMaxControls) {
      fuzzFinding("pool sizes out of range");
    }
    if (settings.stFile[enum_patients].size() != static_cast<size_t>(patients) ||
        settings.stFile[enum_controls].size() != static_cast<size_t>(controls)) {
      fuzzFinding("path lists differ from the pool sizes");
    }
    if (settings.annotationFilePath.empty() || settings.outputFilePath.empty())
      fuzzFinding("empty path");
    if (!settings.exclusionFilePath.empty() && !settings.targetFilePath.empty()) {
      fuzzFinding("both area files set");
    }
    if (settings.largeGap != kLargeGapDefault && settings.largeGap != kLargeGapOff)
      fuzzFinding("large gap");
  });
}
