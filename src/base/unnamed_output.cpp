// The unnamed output file: O_TMPFILE, linked at the target's name once the
// placeholder there is removed.
#include "base/unnamed_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "base/output.h"

UnnamedOutput::UnnamedOutput(const std::string& outputFilePath) {
  // Mode 0666 before the umask, as every output file is created.
  fd_ = ::open(directoryOf(outputFilePath).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  if (fd_ < 0) return;
  stream_ = ::fdopen(fd_, "w");
  if (stream_ == nullptr) {
    ::close(fd_);
    fd_ = -1;
  }
}

UnnamedOutput::~UnnamedOutput() {
  if (stream_ != nullptr) std::fclose(stream_);  // closes fd_; an unnamed file goes with it
}

void UnnamedOutput::flush(const std::string& name) {
  if (std::fflush(stream_) != 0 || std::ferror(stream_)) {
    fatal("ERROR: Failed to write %s\n", name.c_str());
  }
}

void UnnamedOutput::publish(const std::string& name, FILE*& placeholder) {
  flush(name);
  // The placeholder gives way and the unnamed file is linked at its name. A
  // rename over the placeholder would do it in one step, but ext4 then
  // writes out the whole file at once, as it does for any file renamed over
  // another.
  const std::string proc = "/proc/self/fd/" + std::to_string(fd_);
  const bool unlinked = ::unlink(name.c_str()) == 0;
  const bool named =
      unlinked && ::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
  if (!named) {
    if (unlinked) {
      // The placeholder is gone with its name: a new one takes the bytes.
      std::fclose(placeholder);
      placeholder = openOutput(name);
      if (placeholder == nullptr) fatal("ERROR: Can't output %s\n", name.c_str());
    }
    std::vector<char> block(1 << 20);
    for (off_t at = 0;;) {
      const ssize_t got = ::pread(fd_, block.data(), block.size(), at);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) fatal("ERROR: Cannot read %s\n", name.c_str());
      if (got == 0) break;
      std::fwrite(block.data(), 1, static_cast<size_t>(got), placeholder);
      at += got;
    }
  }
  std::fclose(stream_);
  stream_ = nullptr;
  fd_ = -1;
}
