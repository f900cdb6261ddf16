// SHA-256 checksums for the manifest, from libcrypto. A file's checksum is
// taken while the file is read or written anyway where that can be done
// (inputs while the checks scan them, the report's own files as they are
// written), so that gigabytes are not read again for it.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "base/input_file.h"

struct FileDigest {
  uint64_t size = 0;   // bytes
  std::string sha256;  // 64 lower-case hex digits
};

// A running SHA-256 over bytes added in any pieces.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  void add(const void* data, size_t size);
  uint64_t size() const { return size_; }
  // The digest of everything added; the sum takes no more bytes after it.
  std::string hex();

 private:
  struct State;
  std::unique_ptr<State> state_;
  uint64_t size_ = 0;
};

// Reads the whole file; throws ReportError when it cannot be read.
FileDigest digestFile(const std::string& path);

// SHA-256 of a text in memory, as 64 hex digits.
std::string sha256Hex(const std::string& data);

// Opens `path` as openInput does, with every byte read through the stream
// also added to `sum` (which must outlive the stream). Holds nullptr where
// openInput would.
InputFile openDigestingInput(const std::string& path, Sha256& sum);
