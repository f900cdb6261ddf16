// Running the built programs in end-to-end tests: a scratch directory, a
// process runner that feeds standard input and captures both output streams.
#pragma once
#include <cstdlib>
#include <string>
#include <vector>

#include "base/output.h"

struct RunResult {
  int status = -1;  // exit status, or 128 + signal number
  std::string out;  // standard output
  std::string err;  // standard error
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

// A program started with its standard input on a pipe, for tests that talk
// to it turn by turn, watch its progress or interrupt it. Both output streams
// go to files read back by wait().
class StartedProgram {
 public:
  StartedProgram(const std::vector<std::string>& argv, const std::string& cwd = "");
  ~StartedProgram();  // kills the program if it still runs
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;

  void send(const std::string& text);  // to its standard input
  void closeInput();
  // Waits until standard error holds `what` at least `count` times; false
  // after `seconds` or when the program ended first.
  bool waitForError(const std::string& what, size_t count = 1, double seconds = 60);
  void sendSignal(int number);
  RunResult wait();  // closes the input, waits for the end

 private:
  ScratchDir io_;
  int input_ = -1;
  int pid_ = -1;
  bool ended_ = false;
  RunResult result_;
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
