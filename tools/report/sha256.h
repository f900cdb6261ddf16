// SHA-256 of files, for the manifest's checksums.
#pragma once
#include <cstdint>
#include <string>

struct FileDigest {
  uint64_t size = 0;   // bytes
  std::string sha256;  // 64 lower-case hex digits
};

// Reads the whole file; throws ReportError when it cannot be read.
FileDigest digestFile(const std::string& path);

// SHA-256 of a text in memory, as 64 hex digits.
std::string sha256Hex(const std::string& data);
