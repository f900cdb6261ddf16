// Opening the import's plain-text inputs (map files, .bim, .fam, sample
// lists): regular files only, so that a FIFO or a device never blocks the
// import, and gzip-compressed files read as they come.
#pragma once
#include <string>

#include "base/input_file.h"

struct TextInput {
  InputFile file;     // the decompressed text; never nullptr
  bool gzip = false;  // the file on disk is gzip-compressed
};

// `what` names the input in messages ("map file", "sample list"). Throws
// InputError when `path` is missing, is not a regular file, or cannot be read.
TextInput openTextInput(const std::string& path, const std::string& what);

// Throws InputError naming `what`, `path` and line `lineNumber` unless the
// reading of `stop` ended at the end of the file.
void requireEnd(LineStop stop, const std::string& what, const std::string& path, int64_t lineNumber,
                int32_t limit);
