// A buffered output file for the generator: large blocks, no printf per
// field, and a failure to write ends the program with a message.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

namespace benchgen {

class OutFile {
 public:
  explicit OutFile(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "wb")) {
    if (file_ == nullptr) throw std::runtime_error("cannot create " + path);
    buffer_.reserve(kBlock + 4096);
  }
  OutFile(const OutFile&) = delete;
  OutFile& operator=(const OutFile&) = delete;
  ~OutFile() {
    if (file_ != nullptr) std::fclose(file_);
  }

  OutFile& put(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= kBlock) flush();
    return *this;
  }
  OutFile& put(char c) {
    buffer_.push_back(c);
    if (buffer_.size() >= kBlock) flush();
    return *this;
  }
  OutFile& putUnsigned(std::uint64_t value) {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    return put(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
  }
  OutFile& putBytes(const void* data, std::size_t size) {
    return put(std::string_view(static_cast<const char*>(data), size));
  }

  void close() {
    flush();
    int status = std::fclose(file_);
    file_ = nullptr;
    if (status != 0) throw std::runtime_error("cannot write " + path_);
  }

 private:
  static constexpr std::size_t kBlock = 1 << 20;

  void flush() {
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
      throw std::runtime_error("cannot write " + path_);
    buffer_.clear();
  }

  std::string path_;
  std::FILE* file_;
  std::string buffer_;
};

}  // namespace benchgen
