// Fast formatting of large tab-separated outputs: numbers are formatted
// without a printf call each, into a buffer written out in large blocks. Every
// conversion gives the same bytes as the printf conversion it names.
#pragma once
#include <charconv>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "driver/lines/formatted.h"

class TextBuffer {
 public:
  // Writes into `file` (owned by the caller) whenever about `blockSize` bytes are held.
  explicit TextBuffer(FILE* file, size_t blockSize = 1 << 20) : file_(file), block_(blockSize) {
    text_.reserve(block_ + 4096);
  }
  // Collects text without a file, for parts that are written elsewhere (held()).
  TextBuffer() : file_(nullptr), block_(SIZE_MAX) {}
  ~TextBuffer() { flush(); }
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;

  TextBuffer& text(std::string_view s) {
    text_.append(s);
    maybeFlush();
    return *this;
  }
  TextBuffer& ch(char c) {
    text_.push_back(c);
    maybeFlush();
    return *this;
  }
  // Any printf conversion, for the rare rows that need one.
  TextBuffer& formatted(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    va_list args;
    va_start(args, format);
    appendFormattedV(text_, format, args);
    va_end(args);
    maybeFlush();
    return *this;
  }
  // "%d" / "%ld"
  TextBuffer& integer(int64_t value) {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    (void)ec;
    text_.append(digits, end);
    maybeFlush();
    return *this;
  }
  // "%f": six decimals, correctly rounded like glibc; nan, -nan, inf as printf prints them.
  TextBuffer& fixed6(double value) {
    char digits[400];
    auto [end, ec] =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6);
    (void)ec;
    text_.append(digits, end);
    maybeFlush();
    return *this;
  }
  // Hands everything held so far to the file.
  void flush() {
    if (file_ == nullptr) return;
    if (!text_.empty()) std::fwrite(text_.data(), 1, text_.size(), file_);
    text_.clear();
  }

  // The text held: everything not yet handed to a file; clear() drops it.
  std::string_view held() const { return text_; }
  void clear() { text_.clear(); }

 private:
  void maybeFlush() {
    if (text_.size() >= block_) flush();
  }
  FILE* file_;
  size_t block_;
  std::string text_;
};
