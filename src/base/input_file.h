// Input files of the readers: closed on every way out of a reader (a fatal stop
// that throws, in the fuzzing harness, included), and, when no further line
// comes, told apart: the end of the file, a line too long for the line buffer,
// or a read error. The last two must not pass for the end of a shorter file.
#pragma once
#include <cstdio>
#include <memory>
#include <string>

struct FileCloser {
  void operator()(FILE* file) const {
    if (file != nullptr) std::fclose(file);
  }
};
using InputFile = std::unique_ptr<FILE, FileCloser>;

// Opens `path` for reading; holds nullptr when it cannot be opened or is not
// a regular file (a FIFO or device is never waited on).
InputFile openInput(const std::string& path);

enum class LineStop { endOfFile, lineTooLong, readError };

// Why MyFgets has just returned nullptr on `stream`.
LineStop whyNoLine(FILE* stream);

// Stops the run with an "ERROR: " message naming `what` (for example
// "Annotation file") and `path` unless the reading of `stream` ended at the
// end of the file.
void requireWholeFile(FILE* stream, const char* what, const std::string& path);
