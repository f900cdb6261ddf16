// Regular-file opening with a reason for the user.
#include "regular_file.h"

#include <cerrno>
#include <cstring>

#include "base/safe_file.h"

InputFile openRegularInput(const std::string& path, std::string& problem) {
  InputFile file(openRegularForReading(path));
  if (!file) {
    InputKind kind = inputKind(path);
    problem = kind == InputKind::notRegular ? "it is not a regular file (a FIFO, device or socket)"
              : errno == EISDIR             ? "it is a directory"
                                            : std::strerror(errno);
  }
  return file;
}
