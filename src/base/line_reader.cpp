// LineReader: MyFgets with a counter and the reason of its stop.
#include "base/line_reader.h"

#include <cstring>

LineReader::LineReader(FILE* file, int32_t limit)
    : file_(file), limit_(limit < 1 ? 1 : limit), buffer_(static_cast<size_t>(limit_) + 1) {}

bool LineReader::next(std::string_view& line) {
  if (MyFgets(buffer_.data(), limit_, file_) == nullptr) {
    stop_ = whyNoLine(file_);
    return false;
  }
  ++lineNumber_;
  line = std::string_view(buffer_.data(), std::strlen(buffer_.data()));
  return true;
}
