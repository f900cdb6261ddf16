// Fatal errors and output-file helpers.
#include "driver/lines/output.h"

#include <cstdarg>
#include <cstdlib>

#include "driver/lines/close_file.h"

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
  if (fatalHandler == nullptr) {
    std::vfprintf(stderr, format, args);
    va_end(args);
  } else {
    const std::string message = formatMessage(format, args);
    va_end(args);
    fatalHandler(message);  // may throw
    std::fputs(message.c_str(), stderr);
  }
  std::fflush(stderr);
  std::exit(1);
}

std::string outName(const char* format, ...) {
  char buffer[kNameBufferSize];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (length < 0 || length >= kNameBufferSize) {
    fatal("ERROR: Output file name is longer than %d characters: %.60s...\n",
          kNameBufferSize - 1, buffer);
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
