// Regular-file opening and transparent gzip reading. A gzip stream is handed
// to the line readers as an ordinary FILE* through a cookie stream, so that
// one line reader serves plain and compressed files alike.
#include "text_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>

#include "input_error.h"
#include "regular_file.h"

namespace {

ssize_t readGzip(void* cookie, char* buffer, size_t size) {
  gzFile gz = static_cast<gzFile>(cookie);
  unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
  int got = gzread(gz, buffer, chunk);
  if (got < 0) {
    errno = EIO;
    return -1;
  }
  // A compressed stream cut short reads as a clean end in zlib; tell it apart.
  if (got == 0) {
    int code = Z_OK;
    gzerror(gz, &code);
    if (code != Z_OK && code != Z_STREAM_END) {
      errno = EIO;
      return -1;
    }
  }
  return got;
}

int closeGzip(void* cookie) {
  return gzclose_r(static_cast<gzFile>(cookie)) == Z_OK ? 0 : EOF;
}

}  // namespace

TextInput openTextInput(const std::string& path, const std::string& what) {
  std::string problem;
  InputFile plain = openRegularInput(path, problem);
  if (!plain) throw InputError("cannot open " + what + " " + path + ": " + problem);
  unsigned char magic[2] = {0, 0};
  ssize_t got = pread(fileno(plain.get()), magic, 2, 0);
  TextInput input;
  input.gzip = got == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
  if (!input.gzip) {
    input.file = std::move(plain);
    return input;
  }
  int fd = dup(fileno(plain.get()));
  plain.reset();
  gzFile gz = fd < 0 ? nullptr : gzdopen(fd, "rb");
  if (gz == nullptr) {
    if (fd >= 0) close(fd);
    throw InputError("cannot open " + what + " " + path);
  }
  cookie_io_functions_t functions{readGzip, nullptr, nullptr, closeGzip};
  input.file.reset(fopencookie(gz, "r", functions));
  if (!input.file) {
    gzclose_r(gz);
    throw InputError("cannot open " + what + " " + path);
  }
  return input;
}

void requireEnd(LineStop stop, const std::string& what, const std::string& path, int64_t lineNumber,
                int32_t limit) {
  switch (stop) {
    case LineStop::endOfFile:
      return;
    case LineStop::lineTooLong:
      throw InputError(what + " " + path + " line " + std::to_string(lineNumber + 1) + " holds " +
                       std::to_string(limit) + " or more characters; lines must be shorter");
    case LineStop::readError:
      throw InputError("cannot read " + what + " " + path + " after line " +
                       std::to_string(lineNumber) + " (a damaged or cut-short file?)");
  }
}
