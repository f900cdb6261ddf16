// Where an import writes: a temporary directory beside --out, renamed into
// place only when every file is complete, so that a failed import leaves
// --out as it was. An --out that exists must hold an earlier import (or
// nothing), with no file in genotypes/ that its analysis file does not list;
// a link is never followed.
#pragma once
#include <string>

// The first comment line of an analysis file an import writes; it marks a
// directory as an earlier import's.
extern const char* const kImportMark;

class OutputDirectory {
 public:
  // Checks --out and creates the temporary directory beside it (and missing
  // parent directories). Throws InputError.
  explicit OutputDirectory(const std::string& requested);
  // Removes the temporary directory unless install() succeeded.
  ~OutputDirectory();
  OutputDirectory(const OutputDirectory&) = delete;
  OutputDirectory& operator=(const OutputDirectory&) = delete;

  // The final directory, absolute, ending in '/': the analysis file names
  // paths under it.
  const std::string& finalPath() const { return final_; }
  // The temporary directory being filled, ending in '/'.
  const std::string& workPath() const { return work_; }
  // Puts the finished tree in place of --out; an earlier import's results/
  // moves into the new tree. Returns true when such results were kept.
  // Throws InputError, leaving --out as it was.
  bool install();

 private:
  std::string final_;      // ends in '/'
  std::string finalBare_;  // without the trailing '/'
  std::string work_;       // ends in '/'
  bool exists_ = false;    // --out exists (a directory holding an import or nothing)
  bool installed_ = false;
};
