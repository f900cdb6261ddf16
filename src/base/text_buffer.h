// Fast formatting of large tab-separated outputs: numbers are formatted
// without a printf call each, into a buffer written out in large blocks. Every
// conversion gives the same bytes as the printf conversion it names.
#pragma once
#include <charconv>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "base/formatted.h"

class TextBuffer {
 public:
  // Writes into `file` (owned by the caller) whenever about `blockSize` bytes are held.
  explicit TextBuffer(FILE* file, size_t blockSize = 1 << 20) : file_(file), block_(blockSize) {
    grow(block_ + 4096);
  }
  // Collects text without a file, for parts that are written elsewhere (held()).
  TextBuffer() : file_(nullptr), block_(SIZE_MAX) {}
  ~TextBuffer() { flush(); }
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;

  TextBuffer& text(std::string_view s) {
    if (s.empty()) return *this;
    std::memcpy(room(s.size()), s.data(), s.size());
    size_ += s.size();
    maybeFlush();
    return *this;
  }
  TextBuffer& ch(char c) {
    *room(1) = c;
    ++size_;
    maybeFlush();
    return *this;
  }
  // Any printf conversion, for the rare rows that need one.
  TextBuffer& formatted(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    std::string text;
    va_list args;
    va_start(args, format);
    appendFormattedV(text, format, args);
    va_end(args);
    return this->text(text);
  }
  // "%d" / "%ld"
  TextBuffer& integer(int64_t value) {
    char* at = room(kIntegerBytes);
    size_ = static_cast<size_t>(putInteger(at, value) - data_.get());
    maybeFlush();
    return *this;
  }
  // "%f": six decimals, correctly rounded like glibc; nan, -nan, inf as printf prints them.
  TextBuffer& fixed6(double value) {
    char digits[400];
    auto [end, ec] =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6);
    (void)ec;
    return text(std::string_view(digits, static_cast<size_t>(end - digits)));
  }

  // Room for a row written through a pointer, for the widest formatters:
  // reserve(bytes) gives space for at least `bytes` more bytes, and
  // commit(end) keeps what was written up to `end`.
  char* reserve(size_t bytes) { return room(bytes); }
  void commit(char* end) {
    size_ = static_cast<size_t>(end - data_.get());
    maybeFlush();
  }
  // Longest text of putInteger: "-9223372036854775808".
  static constexpr size_t kIntegerBytes = 20;
  // Writes value as "%ld" does at `at` and returns the end.
  static char* putInteger(char* at, int64_t value) {
    if (static_cast<uint64_t>(value) < 10) {  // most counters are a single digit
      *at = static_cast<char>('0' + value);
      return at + 1;
    }
    return std::to_chars(at, at + kIntegerBytes, value).ptr;
  }

  // Hands everything held so far to the file.
  void flush() {
    if (file_ == nullptr) return;
    if (size_ > 0) std::fwrite(data_.get(), 1, size_, file_);
    size_ = 0;
  }

  // The text held: everything not yet handed to a file; clear() drops it.
  std::string_view held() const { return std::string_view(data_.get(), size_); }
  void clear() { size_ = 0; }

 private:
  // The place of the next `bytes` bytes, with the held text kept.
  char* room(size_t bytes) {
    if (capacity_ - size_ < bytes) grow(size_ + bytes);
    return data_.get() + size_;
  }
  void grow(size_t least) {
    size_t capacity = capacity_ < 256 ? 256 : capacity_;
    while (capacity < least) capacity *= 2;
    if (capacity == capacity_) return;
    std::unique_ptr<char[]> data(new char[capacity]);
    if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
    data_ = std::move(data);
    capacity_ = capacity;
  }
  void maybeFlush() {
    if (size_ >= block_) flush();
  }
  FILE* file_;
  size_t block_;
  std::unique_ptr<char[]> data_;  // capacity_ bytes, the first size_ held
  size_t size_ = 0;
  size_t capacity_ = 0;
};
