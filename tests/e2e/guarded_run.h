// Running velmora and annotsum under conditions a plain run cannot set up: a
// file-size limit, an unprivileged user (so that permission bits hold even when
// the tests run as root), and a session that waits for a prompt before it
// answers. Standard input, output and error go through pipes, never through
// files that the file-size limit would cut.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

#include "common/harness.h"

struct RunLimits {
  long fileSizeBytes = -1;    // RLIMIT_FSIZE of the child, SIGXFSZ ignored; -1: none
  bool unprivileged = false;  // when root, run as user and group 65534
  long openFilesSoft = -1;    // RLIMIT_NOFILE of the child; -1: unchanged
  long openFilesHard = -1;
};

// Exit status 125 of a child that could not take the limits or drop privileges.
constexpr int kSetupFailed = 125;

RunResult runGuarded(const std::vector<std::string>& argv, const std::string& input,
                     const RunLimits& limits = {});

bool runningAsRoot();

// Opens `dir` and everything below it to every user, for a child that runs
// without privileges.
void openToEveryone(const std::string& dir);

// A run whose standard input is written step by step.
class Session {
 public:
  explicit Session(const std::vector<std::string>& argv);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Reads standard error until it holds `text` or the program has closed it;
  // true when the text came.
  bool waitFor(const std::string& text);
  void send(const std::string& text);
  // Closes standard input and collects the rest of the output and the status.
  RunResult finish();

 private:
  pid_t child_ = -1;
  int in_ = -1, err_ = -1;
  std::string err_text_;
};
