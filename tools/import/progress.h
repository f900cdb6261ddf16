// A progress line on standard error for inputs large enough to take a while:
// rewritten in place on a terminal, a plain line every so often otherwise.
#pragma once
#include <cstdint>
#include <string>

class Progress {
 public:
  // `step`: items between two lines in a log; a terminal is updated ten times as often.
  Progress(std::string what, int64_t step);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Reports `done` items when it crosses the next step.
  void update(int64_t done);

 private:
  std::string what_;
  bool terminal_;
  int64_t step_;
  int64_t next_;
  bool shown_ = false;
};
