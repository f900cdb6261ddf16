// The report directory DIR: refused unless it is new, empty, or an earlier
// report of velmora-report (every file in it listed by its manifest), which is
// then replaced whole. Every file written through ReportDir is remembered so
// that the manifest lists exactly what was written.
#pragma once
#include <string>
#include <vector>

extern const char* const kManifestName;       // "manifest.tsv"
extern const char* const kManifestFirstLine;  // identifies a report directory

enum class DirState { absent, empty, earlierReport };

// Throws ReportError when DIR holds anything but an earlier report, or when
// one of `inputs` lies inside DIR. Touches nothing.
DirState inspectReportDir(const std::string& dir, const std::vector<std::string>& inputs);

class ReportDir {
 public:
  explicit ReportDir(std::string dir) : dir_(std::move(dir)) {}

  // Creates DIR (or empties an earlier report in it) and its run/ and tracks/ folders.
  void prepare(DirState state);

  std::string path(const std::string& relative) const { return dir_ + "/" + relative; }
  const std::string& root() const { return dir_; }

  // Writes a whole file and records it; throws ReportError when the write fails.
  void writeFile(const std::string& relative, const std::string& content);
  // Records a file written by someone else (velmora, velmora-tracks).
  void record(const std::string& relative);
  // Records every regular file under `relativeFolder`, sorted.
  void recordFolder(const std::string& relativeFolder);
  const std::vector<std::string>& written() const { return written_; }

  // After a failure: removes every recorded file except those in `keep`.
  void removeAllBut(const std::vector<std::string>& keep);

 private:
  std::string dir_;
  std::vector<std::string> written_;
};
