// Genotyping file bytes: mapped whole when the file is regular, read in
// blocks otherwise.
#include "genome/genotype_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "base/lines.h"
#include "base/safe_file.h"
#include "genome/genotype_line.h"

namespace {

// Bytes asked of the file per read when it is not mapped.
constexpr size_t kBlock = size_t{1} << 20;

// The one place a genotyping file is opened; -1 when it cannot be.
// Regular files only: a FIFO or device named as a genotyping file would block
// the reader or never end.
int openGenotypingPath(const std::string& path) {
  return openRegularDescriptor(path);
}

bool mappingAllowed = false;

size_t pageSize() {
  const long size = sysconf(_SC_PAGESIZE);
  return size > 0 ? static_cast<size_t>(size) : 4096;
}

}  // namespace

void GenotypeFile::setMapping(bool on) {
  mappingAllowed = on;
}

bool GenotypeFile::open(const std::string& path) {
  close();
  fd_ = openGenotypingPath(path);
  if (fd_ < 0) return false;
  struct stat info;
  if (mappingAllowed && fstat(fd_, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
      mapWhole(static_cast<size_t>(info.st_size))) {
    if (onBytes_) onBytes_(begin_, static_cast<size_t>(end_ - begin_));
    return true;
  }
  // Not mapped: an empty or irregular file, or no room for the mapping.
  posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  try {
    block_.assign(kBlock + static_cast<size_t>(kLineLimit) + 1 + kScanPadding, '\0');
  } catch (const std::bad_alloc&) {
    close();
    throw;
  }
  begin_ = end_ = block_.data();
  atEnd_ = false;
  more(begin_);
  return true;
}

void GenotypeFile::openText(std::string_view text) {
  close();
  block_.assign(text.size() + kScanPadding, '\0');
  std::copy(text.begin(), text.end(), block_.begin());
  begin_ = block_.data();
  end_ = begin_ + text.size();
  atEnd_ = true;
}

// Maps the file and, right after its last page, a zero page, so that the
// padding after the last byte is readable whatever the file's size.
bool GenotypeFile::mapWhole(size_t size) {
  const size_t page = pageSize();
  const size_t filePages = (size + page - 1) / page * page;
  const size_t total = filePages + page;
  void* area = mmap(nullptr, total, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (area == MAP_FAILED) return false;
  void* file = mmap(area, size, PROT_READ, MAP_PRIVATE | MAP_FIXED | MAP_POPULATE, fd_, 0);
  if (file == MAP_FAILED) {
    munmap(area, total);
    return false;
  }
  madvise(area, size, MADV_SEQUENTIAL);
  mapping_ = area;
  mappingSize_ = total;
  begin_ = static_cast<const char*>(area);
  end_ = begin_ + size;
  atEnd_ = true;
  return true;
}

bool GenotypeFile::more(const char* keep) {
  if (atEnd_ || mapping_ != nullptr) return false;
  char* const data = block_.data();
  const size_t kept = static_cast<size_t>(end_ - keep);
  if (keep != data && kept > 0) std::memmove(data, keep, kept);
  const size_t room = block_.size() - kScanPadding - kept;
  ssize_t got;
  do {
    got = ::read(fd_, data + kept, room);
  } while (got < 0 && errno == EINTR);
  begin_ = data;
  end_ = data + kept + (got > 0 ? static_cast<size_t>(got) : 0);
  if (got <= 0) {
    atEnd_ = true;
    readError_ = got < 0;
    return false;
  }
  if (onBytes_) onBytes_(data + kept, static_cast<size_t>(got));
  return true;
}

void GenotypeFile::close() {
  if (mapping_ != nullptr) munmap(mapping_, mappingSize_);
  mapping_ = nullptr;
  mappingSize_ = 0;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  begin_ = end_ = nullptr;
  atEnd_ = true;
  readError_ = false;
}
