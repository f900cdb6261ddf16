// printf into the end of a string: a stack buffer for the usual short text,
// a second conversion straight into the string for longer text.
#include "base/formatted.h"

#include <charconv>
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

namespace {

// printf's field width: blanks before the text, or after it for a negative width.
void appendPadded(std::string& out, const char* text, const char* end, int width) {
  const auto size = static_cast<size_t>(end - text);
  const size_t field =
      width < 0 ? static_cast<size_t>(-static_cast<int64_t>(width)) : static_cast<size_t>(width);
  const size_t blanks = size < field ? field - size : 0;
  if (width > 0) out.append(blanks, ' ');
  out.append(text, size);
  if (width < 0) out.append(blanks, ' ');
}

}  // namespace

void appendFixed(std::string& out, double value, int width, int precision) {
  // Room for the 309 digits of the largest double, a sign, a point and the decimals.
  char text[320 + 64];
  if (precision < 0 || precision > 60) {
    appendFormatted(out, "%*.*f", width, precision, value);
    return;
  }
  const auto result =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, precision);
  appendPadded(out, text, result.ptr, width);
}

void appendInteger(std::string& out, int64_t value, int width) {
  char text[24];
  const auto result = std::to_chars(text, text + sizeof text, value);
  appendPadded(out, text, result.ptr, width);
}
