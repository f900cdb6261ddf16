// manifest.tsv: what a report holds and how it was made. Its first line marks
// the directory as a velmora-report directory that a later run may replace.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "sha256.h"

struct ManifestInput {
  std::string role;  // "analysis file", "annotation", "patient 1", ...
  std::string path;
};

// Rows: the command line, the versions (velmora-report's and checksums of the
// velmora and velmora-tracks programs it ran), the status ("complete" or
// "failed"), each input with size and SHA-256, each written file with size and
// SHA-256 (paths relative to DIR); `settings` as "setting" rows (name, value)
// after the status. A file whose checksum is in `known` (by the path read:
// an input's as given, a written file's as DIR + "/" + relative) is not read
// again.
std::string manifestText(const std::vector<std::string>& commandLine, const std::string& status,
                         const std::vector<std::pair<std::string, std::string>>& programs,
                         const std::vector<ManifestInput>& inputs, const std::string& dir,
                         const std::vector<std::string>& written,
                         const std::vector<std::pair<std::string, std::string>>& settings = {},
                         const std::map<std::string, FileDigest>& known = {});

extern const char* const kReportVersion;
