// What every fuzz entry shares: fatal stops caught as exceptions instead of
// ending the process, a scratch directory for the files the readers open, and
// the verdict of one input.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// How a reader took one input: it accepted it, or stopped it with a fatal
// "ERROR: " message (the run would have ended with status 1).
struct FuzzResult {
  bool stopped = false;
  std::string message;  // the fatal message when stopped
};

// Runs `read` with fatal stops turned into a returned verdict. A stop whose
// message does not begin with "ERROR: " is a finding.
template <class Read>
FuzzResult runReader(Read&& read);

// A broken invariant: reported on standard error and ended with abort(), which
// the fuzzer and the replay test both take as a failure.
[[noreturn]] void fuzzFinding(const std::string& what);

// The process's scratch directory (created on first use, removed at exit), a
// path inside it, and a file written there.
const std::string& scratchDir();
std::string scratchPath(const std::string& name);
std::string writeScratchFile(const std::string& name, const void* data, size_t size);
std::string writeScratchFile(const std::string& name, const std::string& content);

// --- implementation of runReader ---
struct FatalStop {
  std::string message;
};
// Installs the throwing fatal handler (once per process).
void catchFatalStops();

template <class Read>
FuzzResult runReader(Read&& read) {
  catchFatalStops();
  FuzzResult result;
  try {
    read();
  } catch (const FatalStop& stop) {
    result.stopped = true;
    result.message = stop.message;
    if (result.message.rfind("ERROR: ", 0) != 0)
      fuzzFinding("fatal message without ERROR: " + result.message);
  }
  return result;
}
