// An output file written before it may take its name. The bytes go to an
// unnamed file in the output directory, which is linked at the file's name
// once they are complete: nothing is copied where the file system allows the
// link, and a run that stops before leaves nothing behind.
#pragma once
#include <cstdio>
#include <string>

class UnnamedOutput {
 public:
  // Opens the unnamed file in the directory of `outputFilePath` (the run's
  // output prefix: "out/run1_" → "out/", "run1_" → the working directory).
  // Never fails: stream() is nullptr when that file system makes no unnamed
  // files, and the caller writes its files the usual way.
  explicit UnnamedOutput(const std::string& outputFilePath);
  ~UnnamedOutput();
  UnnamedOutput(const UnnamedOutput&) = delete;
  UnnamedOutput& operator=(const UnnamedOutput&) = delete;

  // The stream of the bytes (owned here), or nullptr.
  FILE* stream() const { return stream_; }

  // Hands the bytes written so far to the file. A write that did not reach
  // it (disk full) stops the run with "ERROR: Failed to write <name>", `name`
  // being the file the bytes stand for.
  void flush(const std::string& name);

  // Gives the bytes the name `name`, where `placeholder` is the file that
  // openOutput(name) just made there, which the caller still closes. A file
  // system that refuses the link gets the bytes copied into a placeholder
  // instead (a new one, opened into `placeholder`, when the first is gone);
  // a read error then stops the run with "ERROR: Cannot read <name>". Once
  // published, the stream is closed.
  void publish(const std::string& name, FILE*& placeholder);

 private:
  int fd_ = -1;
  FILE* stream_ = nullptr;
};
