// Line-by-line reading of a text input for readers that keep their lines as
// texts (the companion programs): MyFgets with its bound underneath, a line
// counter for messages, and why the reading stopped, so that a line too long
// for the bound or a read error never passes for the end of a shorter file.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "base/input_file.h"
#include "base/lines.h"

class LineReader {
 public:
  // Reads `file` (borrowed, not closed here). A line of `limit` or more
  // characters (without its line end) stops the reading with
  // LineStop::lineTooLong.
  explicit LineReader(FILE* file, int32_t limit = kLineLimit);

  // The next line without its line end (LF, CR LF or CR); the view stays valid
  // until the next call. False when no further line comes: see stop().
  bool next(std::string_view& line);

  // Lines returned so far: the number of the last line, counted from 1.
  int64_t lineNumber() const { return lineNumber_; }
  // Why next() returned false; endOfFile until then.
  LineStop stop() const { return stop_; }
  int32_t limit() const { return limit_; }

 private:
  FILE* file_;
  int32_t limit_;
  std::vector<char> buffer_;  // limit_ + 1 bytes
  int64_t lineNumber_ = 0;
  LineStop stop_ = LineStop::endOfFile;
};
