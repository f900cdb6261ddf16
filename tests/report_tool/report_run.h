// Running the built velmora-report from the source tree, as its tests do.
#pragma once
#include <sstream>
#include <string>
#include <vector>

#include "common/harness.h"

// velmora-report with `args`, run in the source tree (the demo's analysis
// files name their inputs relative to it).
inline RunResult report(const std::vector<std::string>& args) {
  std::vector<std::string> argv{VELMORA_REPORT_BIN};
  argv.insert(argv.end(), args.begin(), args.end());
  return runProgram(argv, "", VELMORA_SOURCE_DIR);
}

// The tab-separated fields of one table line.
inline std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream in(line);
  for (std::string f; std::getline(in, f, '\t');) out.push_back(f);
  return out;
}
