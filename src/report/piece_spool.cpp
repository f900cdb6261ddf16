// The spool of per-chromosome pieces: one unnamed file (or memory), extents
// found by piece name, read back line for line as the pieces' files were.
#include "report/piece_spool.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/output.h"

namespace {

// Bytes read back at a time from the unnamed file.
constexpr size_t kReadChunk = 1 << 20;

}  // namespace

PieceSpool::PieceSpool(const std::string& outputFilePath) {
  // In the output directory itself: the pieces take the room on the file
  // system they took as files, and nothing of them is left behind however the
  // process ends.
  fd_ = ::open(directoryOf(outputFilePath).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd_ >= 0) {
    stream_ = ::fdopen(fd_, "w");
    if (stream_ == nullptr) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  if (stream_ == nullptr) stream_ = ::open_memstream(&memory_, &memorySize_);
  if (stream_ == nullptr) fatal("ERROR: Failed to allocate memory\n");
}

PieceSpool::~PieceSpool() {
  std::fclose(stream_);  // closes fd_ too; the unnamed file goes with it
  std::free(memory_);
}

FILE* PieceSpool::begin(const std::string& name, bool append) {
  if (!append) pieces_.erase(name);
  pieces_[name];  // a piece exists from its start, as its file would
  open_ = name;
  openStart_ = ftello(stream_);
  flushed_ = false;
  return stream_;
}

void PieceSpool::flushStream(const char* name) {
  if (std::fflush(stream_) != 0 || std::ferror(stream_)) {
    fatal("ERROR: Failed to write %s\n", name);
  }
  flushed_ = true;
}

void PieceSpool::finish() {
  // Flushed per piece, so that a full disk is reported with the piece at
  // which it happened.
  flushStream(open_.c_str());
  const off_t end = ftello(stream_);
  if (end > openStart_) pieces_[open_].push_back(Extent{openStart_, end - openStart_});
  open_.clear();
}

void PieceSpool::put(const std::string& name, std::string_view bytes, bool append) {
  std::fwrite(bytes.data(), 1, bytes.size(), begin(name, append));
  finish();
}

bool PieceSpool::has(const std::string& name) const {
  return pieces_.count(name) != 0;
}

bool PieceSpool::moveLinesTo(const std::string& name, FILE* to) {
  auto found = pieces_.find(name);
  if (found == pieces_.end()) return false;
  if (!flushed_) flushStream(name.c_str());
  LineCopy copy(to);
  std::vector<char> buffer;
  for (const Extent& extent : found->second) {
    if (fd_ < 0) {
      copy.add(memory_ + extent.offset, static_cast<size_t>(extent.length));
      continue;
    }
    buffer.resize(static_cast<size_t>(std::min<off_t>(extent.length, kReadChunk)));
    for (off_t done = 0; done < extent.length;) {
      const size_t want = static_cast<size_t>(std::min<off_t>(extent.length - done, kReadChunk));
      const ssize_t got = ::pread(fd_, buffer.data(), want, extent.offset + done);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) fatal("ERROR: Cannot read %s\n", name.c_str());
      copy.add(buffer.data(), static_cast<size_t>(got));
      done += got;
    }
    // The space goes once its bytes are copied, as the piece's file went;
    // a file system that cannot punch holes keeps it until the spool closes.
    ::fallocate(fd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, extent.offset, extent.length);
  }
  copy.finish();
  pieces_.erase(found);
  return true;
}

void LineCopy::add(const char* data, size_t size) {
  if (!afterCR_ && std::memchr(data, '\r', size) == nullptr) {
    std::fwrite(data, 1, size, to_);
    if (size > 0) lineHasBytes_ = data[size - 1] != '\n';
    return;
  }
  for (size_t i = 0; i < size; ++i) {
    const char c = data[i];
    if (afterCR_) {
      afterCR_ = false;
      if (emptyCR_) std::fputc('\n', to_);
      emptyCR_ = false;
      if (c == '\n') continue;  // CR LF is one line end
    }
    if (c == '\n') {
      std::fputc('\n', to_);
      lineHasBytes_ = false;
    } else if (c == '\r') {
      afterCR_ = true;
      // A CR after line bytes ends that line at once; a CR on an empty line
      // ends one only if anything follows it.
      emptyCR_ = !lineHasBytes_;
      if (lineHasBytes_) std::fputc('\n', to_);
      lineHasBytes_ = false;
    } else {
      std::fputc(c, to_);
      lineHasBytes_ = true;
    }
  }
}

void LineCopy::finish() {
  if (!afterCR_ && lineHasBytes_) std::fputc('\n', to_);
  afterCR_ = emptyCR_ = lineHasBytes_ = false;
}
