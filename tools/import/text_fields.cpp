// Field splitting and strict number parsing for the import's text inputs.
#include "text_fields.h"

#include <charconv>
#include <cmath>

std::vector<std::string_view> whitespaceFields(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::vector<std::string_view> fields;
  size_t at = 0;
  while (at < line.size()) {
    at = line.find_first_not_of(" \t", at);
    if (at == std::string_view::npos) break;
    size_t end = line.find_first_of(" \t", at);
    if (end == std::string_view::npos) end = line.size();
    fields.push_back(line.substr(at, end - at));
    at = end;
  }
  return fields;
}

std::optional<int64_t> parseInteger(std::string_view field) {
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  int64_t value = 0;
  const char* end = field.data() + field.size();
  auto [stop, error] = std::from_chars(field.data(), end, value);
  if (field.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<double> parseDecimal(std::string_view field) {
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  double value = 0;
  const char* end = field.data() + field.size();
  auto [stop, error] = std::from_chars(field.data(), end, value);
  if (field.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

bool LineReader::next(std::string& line) {
  if (!std::getline(in_, line)) return false;
  ++lineNumber_;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}
