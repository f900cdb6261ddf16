// Redirecting file descriptor 2 for the length of a scope.
#include "standard_error.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "report_error.h"

StandardErrorTo::StandardErrorTo(int fd, const std::string& name) : name_(name) {
  std::fflush(stderr);
  saved_ = ::fcntl(2, F_DUPFD_CLOEXEC, 3);
  if (saved_ < 0 || ::dup2(fd, 2) < 0) {
    if (saved_ >= 0) ::close(saved_);
    throw ReportError("cannot send messages to " + name);
  }
  const int copy = ::fcntl(saved_, F_DUPFD_CLOEXEC, 3);
  original_ = copy >= 0 ? ::fdopen(copy, "w") : nullptr;
  if (original_ == nullptr && copy >= 0) ::close(copy);
}

StandardErrorTo::~StandardErrorTo() {
  std::fflush(stderr);
  if (original_ != nullptr) std::fclose(original_);
  ::dup2(saved_, 2);
  ::close(saved_);
}

void StandardErrorTo::check() const {
  if (std::fflush(stderr) != 0 || std::ferror(stderr)) {
    const int error = errno;
    std::clearerr(stderr);
    throw ReportError("cannot write " + name_ + ": " + std::strerror(error) +
                      " (a full disk or a file-size limit?)");
  }
}
