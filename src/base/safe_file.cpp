// Opening inputs and creating outputs without being led astray by the file system.
#include "base/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Opens without blocking (O_NONBLOCK lets a FIFO open at once), checks that a
// regular file was opened, then makes the descriptor blocking again.
int openRegularDescriptor(const std::string& path, int flags, bool* notRegular) {
  *notRegular = false;
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    *notRegular = !S_ISDIR(info.st_mode);
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  const int status = ::fcntl(fd, F_GETFL);
  if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

InputKind inputKind(const std::string& path) {
  bool notRegular = false;
  const int fd = openRegularDescriptor(path, O_RDONLY, &notRegular);
  if (fd >= 0) {
    ::close(fd);
    return InputKind::regular;
  }
  if (notRegular) return InputKind::notRegular;
  // A socket cannot be opened at all; it is still not a file to read.
  struct stat info;
  if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
    return InputKind::notRegular;
  }
  return InputKind::cannotOpen;
}

int openRegularDescriptor(const std::string& path) {
  bool notRegular = false;
  return openRegularDescriptor(path, O_RDONLY, &notRegular);
}

FILE* openRegularForReading(const std::string& path, bool followLink) {
  bool notRegular = false;
  const int fd = openRegularDescriptor(path, O_RDONLY | (followLink ? 0 : O_NOFOLLOW), &notRegular);
  if (fd < 0) return nullptr;
  FILE* file = ::fdopen(fd, "r");
  if (file == nullptr) ::close(fd);
  return file;
}

bool outputNameIsFree(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) return errno == ENOENT;
  return S_ISREG(info.st_mode) && info.st_nlink <= 1;
}

FILE* createOutput(const std::string& path, WriteMode mode, CreateFailure* failure) {
  CreateFailure ignored;
  CreateFailure& why = failure != nullptr ? *failure : ignored;
  why = CreateFailure::none;
  const int access = O_WRONLY | O_NOFOLLOW | O_CLOEXEC | (mode == WriteMode::append ? O_APPEND : 0);
  // A new name is created exclusively: nothing planted between a check and
  // the open can be followed.
  int fd = ::open(path.c_str(), access | O_CREAT | O_EXCL, 0666);
  if (fd < 0 && errno == EEXIST) {
    bool notRegular = false;
    fd = openRegularDescriptor(path, access, &notRegular);
    if (fd < 0) {
      // ELOOP: a symbolic link; ENXIO: a FIFO without a reader; EINVAL: not regular.
      if (errno == ELOOP || errno == ENXIO || errno == EINVAL || notRegular) {
        why = CreateFailure::notOwnFile;
      } else {
        why = CreateFailure::cannotCreate;
      }
      return nullptr;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || info.st_nlink > 1) {
      ::close(fd);
      why = CreateFailure::notOwnFile;
      return nullptr;
    }
    if (mode == WriteMode::truncate && ::ftruncate(fd, 0) != 0) {
      ::close(fd);
      why = CreateFailure::cannotCreate;
      return nullptr;
    }
  }
  if (fd < 0) {
    why = errno == ELOOP ? CreateFailure::notOwnFile : CreateFailure::cannotCreate;
    return nullptr;
  }
  FILE* file = ::fdopen(fd, mode == WriteMode::append ? "a" : "w");
  if (file == nullptr) {
    ::close(fd);
    why = CreateFailure::cannotCreate;
  }
  return file;
}

bool writeWhole(int fd, const char* data, size_t size) {
  for (size_t done = 0; done < size;) {
    const ssize_t w = ::write(fd, data + done, size - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      if (w == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<size_t>(w);
  }
  return true;
}
