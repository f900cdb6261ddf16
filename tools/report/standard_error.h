// Standard error sent to a log file while the engine runs in this process:
// velmora's messages belong in velmora.log, the progress bar and the
// report's own messages on the terminal the user started it from.
#pragma once
#include <cstdio>
#include <string>

class StandardErrorTo {
 public:
  // Sends everything written to standard error to the open file `fd` (not
  // owned; `name` names it in messages) until destroyed. Throws ReportError
  // when standard error cannot be moved.
  StandardErrorTo(int fd, const std::string& name);
  ~StandardErrorTo();
  StandardErrorTo(const StandardErrorTo&) = delete;
  StandardErrorTo& operator=(const StandardErrorTo&) = delete;

  // Standard error as it was before: the user's terminal or log. Owned here.
  std::FILE* original() const { return original_; }
  // Flushes what was written and reports a failed write of the log
  // (ReportError naming the file: a full disk or a file-size limit).
  void check() const;

 private:
  std::string name_;
  int saved_ = -1;
  std::FILE* original_ = nullptr;
};
