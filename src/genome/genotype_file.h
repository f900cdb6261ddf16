// The bytes of one genotyping file for the line scan of genotype_line.h, read
// in blocks of 1 MiB (the unread end of a block moves to the front), or, when
// mapping is switched on, a regular file mapped into memory whole. Either way
// the bytes at hand are followed by kScanPadding readable bytes, and nothing
// is copied per line. Blocks are the default: with the files in the page
// cache they read faster than the mapping (whose page-table work costs more
// than the copy into a block that stays in cache) and keep the resident size
// down. A file's text may also be given in memory, for calls held in
// memory whose lines must be read as the file would be.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class GenotypeFile {
 public:
  GenotypeFile() = default;
  GenotypeFile(const GenotypeFile&) = delete;
  GenotypeFile& operator=(const GenotypeFile&) = delete;
  ~GenotypeFile() { close(); }

  // Opens `path` and makes its first bytes available. False when the file
  // cannot be opened.
  bool open(const std::string& path);
  // Makes `text` (copied) the bytes at hand, the whole of a file.
  void openText(std::string_view text);
  void close();

  // Called with every byte of each file opened from here on, once, in file
  // order, as the bytes are read (a mapped file at once); never for a text.
  // Empty: nothing is called.
  void onBytes(std::function<void(const char*, size_t)> hook) { onBytes_ = std::move(hook); }

  // The bytes at hand: [begin(), end()).
  const char* begin() const { return begin_; }
  const char* end() const { return end_; }
  // No byte of the file follows end().
  bool atEnd() const { return atEnd_; }
  // Reading stopped at a read error (atEnd() is then true as well).
  bool readError() const { return readError_; }

  // Keeps the bytes from `keep` (within the bytes at hand) and adds the next
  // bytes of the file after them; begin() then points at the kept bytes.
  // Pointers into the old bytes are no longer valid. False when nothing could
  // be added: the end of the file or a read error.
  bool more(const char* keep);

  // true: regular files are mapped instead of read in blocks, for tests and
  // benchmarks that compare the two ways (default false). Set before files
  // are opened.
  static void setMapping(bool on);

 private:
  bool mapWhole(size_t size);

  int fd_ = -1;
  const char* begin_ = nullptr;
  const char* end_ = nullptr;
  bool atEnd_ = true;
  bool readError_ = false;
  void* mapping_ = nullptr;  // the file's pages and a zero page after them
  size_t mappingSize_ = 0;
  std::vector<char> block_;  // the block buffer when the file is not mapped, or the text
  std::function<void(const char*, size_t)> onBytes_;
};
