// The per-chromosome pieces of a pass's whole-genome fold-overlap files and of
// a query turn's figure, kept out of the output directory: thousands of small
// files created and deleted per pass cost more than writing them. Every piece
// goes to one unnamed temporary file in the output directory (in memory where
// that file system makes no unnamed files); the merge finds a piece by the
// name its file would have had.
#pragma once
#include <sys/types.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class PieceSpool {
 public:
  // Opens the spool in the directory named by `outputFilePath` (the run's
  // output prefix: "out/run1_" → "out/", "run1_" → the working directory).
  // Never fails: without an unnamed file the pieces are kept in memory.
  explicit PieceSpool(const std::string& outputFilePath);
  ~PieceSpool();
  PieceSpool(const PieceSpool&) = delete;
  PieceSpool& operator=(const PieceSpool&) = delete;

  // The stream that takes the bytes of the piece `name` until finish(). With
  // `append` the bytes follow those of an earlier piece of the same name (as
  // appending to its file would); otherwise they replace them.
  FILE* begin(const std::string& name, bool append = false);

  // Ends the piece begun last. A write that did not reach the spool (disk
  // full) stops the run with "ERROR: Failed to write <name>", as closing the
  // piece's own file would have.
  void finish();

  // begin(name, append), the bytes, finish().
  void put(const std::string& name, std::string_view bytes, bool append);

  // True when a piece of that name was finished (even an empty one).
  bool has(const std::string& name) const;

  // Appends the piece's lines to `to` exactly as reading its file back with
  // copyLines would (CR and CR LF ends become LF, an unended last line gets
  // one), then forgets the piece and frees its space. False when there is no
  // such piece. A read error stops the run with "ERROR: Cannot read <name>".
  bool moveLinesTo(const std::string& name, FILE* to);

  // False when the pieces live in memory (no unnamed file in that directory).
  bool onDisk() const { return fd_ >= 0; }

 private:
  struct Extent {
    off_t offset;  // bytes from the start of the spool
    off_t length;
  };
  void flushStream(const char* name);

  int fd_ = -1;             // the unnamed file, or -1 in memory
  FILE* stream_ = nullptr;  // writes to fd_, or an open_memstream
  char* memory_ = nullptr;  // open_memstream's buffer
  size_t memorySize_ = 0;   // its size after the last flush
  bool flushed_ = true;     // nothing written since the last flush
  std::string open_;        // the piece begun last, empty when none
  off_t openStart_ = 0;
  std::unordered_map<std::string, std::vector<Extent>> pieces_;
};

// Copies bytes as copyLines copies a file, in any number of calls: LF, CR LF
// and CR end a line, each line is written with an LF, and finish() ends an
// unended last line.
class LineCopy {
 public:
  explicit LineCopy(FILE* to) : to_(to) {}
  void add(const char* data, size_t size);
  void finish();

 private:
  FILE* to_;
  bool lineHasBytes_ = false;  // bytes of the current line were written
  bool afterCR_ = false;       // the last byte was a CR
  bool emptyCR_ = false;       // ... that ended an empty line (written only if more follows)
};
