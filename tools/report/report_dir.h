// The report directory DIR. A run locks DIR, checks that it is new, empty or
// an earlier report whose files still match its manifest, builds the new
// report in a staging directory beside DIR (".NAME.velmora-report-XXXXXX"),
// and puts it in place of DIR in one exchange only when it is complete. An
// interrupted, killed or failed run therefore leaves an earlier report as it
// was; the staging directories such runs leave behind are cleared by the next
// run. Every file written through ReportDir is remembered so that the
// manifest lists exactly what was written.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "sha256.h"

extern const char* const kManifestName;       // "manifest.tsv"
extern const char* const kManifestFirstLine;  // identifies a report directory

enum class DirState { absent, empty, earlierReport };

class ReportDir {
 public:
  // Takes DIR for this run: creates it when absent (an empty DIR this run
  // made is removed again when the run ends without a report) and locks it.
  // Throws ReportError when another velmora-report holds it, or when DIR is a
  // link or not a directory.
  explicit ReportDir(const std::string& dir);
  ~ReportDir();
  ReportDir(const ReportDir&) = delete;
  ReportDir& operator=(const ReportDir&) = delete;

  // Refuses (ReportError, touching nothing) when one of `inputs` lies inside
  // DIR, when DIR holds anything but an earlier report, and when a file of
  // the earlier report was edited or added since its manifest was written
  // (all such files named). Then clears the staging directories of earlier
  // interrupted runs. Returns what DIR held.
  DirState inspect(const std::vector<std::string>& inputs);

  // Creates the staging directory with its run/ and tracks/ folders; path()
  // names files in it from then on.
  void beginStaging();

  // `relative` inside the staging directory (where the run writes).
  std::string path(const std::string& relative) const { return staging_ + "/" + relative; }
  // `relative` inside DIR (where the report will be).
  std::string finalPath(const std::string& relative) const { return dir_ + "/" + relative; }
  const std::string& root() const { return staging_; }
  const std::string& stagingPath() const { return staging_; }

  // Writes a whole file and records it; throws ReportError naming the file
  // and the system's reason when the write fails (a full disk, a file-size
  // limit).
  void writeFile(const std::string& relative, const std::string& content);
  // Records a file written by someone else (velmora, velmora-tracks).
  void record(const std::string& relative);
  // Records every regular file under `relativeFolder`, sorted.
  void recordFolder(const std::string& relativeFolder);
  const std::vector<std::string>& written() const { return written_; }
  // Checksums of the files writeFile wrote, by path() (taken from the bytes
  // written, so the manifest need not read them again).
  const std::map<std::string, FileDigest>& digests() const { return digests_; }

  // After a failure: removes every recorded file except those in `keep`.
  void removeAllBut(const std::vector<std::string>& keep);

  // Puts the staging directory in place of DIR (one atomic exchange where the
  // file system offers it) and removes what DIR held. Throws ReportError,
  // leaving DIR as it was.
  void install();

 private:
  std::string dir_;      // as absolute, normal path, without a trailing '/'
  std::string staging_;  // empty until beginStaging()
  std::vector<std::string> written_;
  std::map<std::string, FileDigest> digests_;
  int lockFd_ = -1;                          // DIR, locked for the run
  int stagingFd_ = -1;                       // the staging directory, locked too once made
  bool createdDir_ = false;                  // DIR did not exist before this run
  std::vector<std::string> createdParents_;  // DIR's missing parents, innermost first
  bool installed_ = false;
};
