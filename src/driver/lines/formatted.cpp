// printf into the end of a string: a stack buffer for the usual short text,
// a second conversion straight into the string for longer text.
#include "driver/lines/formatted.h"

#include <cstdio>

void appendFormattedV(std::string& out, const char* format, va_list args) {
  char buffer[512];
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
  if (length >= 0 && static_cast<size_t>(length) < sizeof buffer) {
    out.append(buffer, static_cast<size_t>(length));
  } else if (length >= 0) {
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(length) + 1);
    std::vsnprintf(out.data() + at, static_cast<size_t>(length) + 1, format, again);
    out.resize(at + static_cast<size_t>(length));
  }
  va_end(again);
}

void appendFormatted(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  appendFormattedV(out, format, args);
  va_end(args);
}
