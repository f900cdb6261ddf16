// Running the built programs in end-to-end tests: a scratch directory, a
// process runner that feeds standard input and captures both output streams.
#pragma once
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/lines/output.h"

struct RunResult {
  int status = -1;     // exit status, or 128 + signal number
  std::string out;     // standard output
  std::string err;     // standard error
};

// Runs argv[0] with the given arguments in `cwd` (empty: current directory),
// with `input` on standard input.
RunResult runProgram(const std::vector<std::string>& argv, const std::string& input,
                     const std::string& cwd = "");

// A fresh directory under the system temporary directory, removed at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  void write(const std::string& name, const std::string& content) const;
  std::string read(const std::string& name) const;
  bool exists(const std::string& name) const;
  // Names of the entries of a subdirectory (or of the directory itself), sorted.
  std::vector<std::string> list(const std::string& sub = "") const;

 private:
  std::string path_;
};

// How often `what` stands in `text` (overlapping matches counted).
size_t occurrences(const std::string& text, const std::string& what);

// Lines of a text, without their line ends.
std::vector<std::string> linesOf(const std::string& text);

// Runs `body` the way velmora's main runs a phase: a stop prints its message
// and ends the process with status 1. For death tests of code that stops.
template <typename Body>
void asMain(Body&& body) {
  try {
    body();
  } catch (const FatalError& error) {
    reportFatal(error);
    std::exit(1);
  }
}
