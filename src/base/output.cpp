// Fatal errors and output-file helpers.
#include "base/output.h"

#include <cstdarg>
#include <cstdlib>
#include <utility>

#include "base/close_file.h"

namespace {

FatalHandler fatalHandler = nullptr;

std::string formatMessage(const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length <= 0) return std::string();
  std::string message(static_cast<size_t>(length) + 1, '\0');
  std::vsnprintf(message.data(), message.size(), format, args);
  message.resize(static_cast<size_t>(length));
  return message;
}

}  // namespace

FatalHandler setFatalHandler(FatalHandler handler) {
  FatalHandler previous = fatalHandler;
  fatalHandler = handler;
  return previous;
}

void fatal(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string message = formatMessage(format, args);
  va_end(args);
  if (fatalHandler != nullptr) fatalHandler(message);  // may throw its own type
  throw FatalError{std::move(message)};
}

void reportFatal(const FatalError& error) {
  std::fwrite(error.message.data(), 1, error.message.size(), stderr);
  std::fflush(stderr);
}

FILE* openOutput(const std::string& name, WriteMode mode) {
  CreateFailure failure = CreateFailure::none;
  FILE* file = createOutput(name, mode, &failure);
  if (failure == CreateFailure::notOwnFile) refuseNotOwnFile(name);
  return file;
}

void refuseNotOwnFile(const std::string& name) {
  fatal(
      "ERROR: %s is a symbolic link or not a regular file of velmora's own; velmora does not "
      "write through it. Remove it, or choose another output directory.\n",
      name.c_str());
}

FILE* openOwnFile(const std::string& name) {
  return openRegularForReading(name, false);
}

std::string directoryOf(const std::string& outputPath) {
  const size_t slash = outputPath.rfind('/');
  return slash == std::string::npos ? std::string(".") : outputPath.substr(0, slash + 1);
}

std::string outName(const char* format, ...) {
  char buffer[kNameBufferSize];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (length < 0 || length >= kNameBufferSize) {
    fatal("ERROR: Output file name is longer than %d characters: %.60s...\n", kNameBufferSize - 1,
          buffer);
  }
  return std::string(buffer, static_cast<size_t>(length));
}

void flushOutput(FILE* file, const std::string& name) {
  if (std::fflush(file) != 0 || std::ferror(file)) {
    fatal("ERROR: Failed to write %s\n", name.c_str());
  }
}

int closeOutput(FILE* file, const std::string& name) {
  if (!finishWrittenFile(file)) fatal("ERROR: Failed to write %s\n", name.c_str());
  return 0;
}
