// Field splitting and whole-field number parsing.
#include "base/text_fields.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

std::vector<std::string_view> whitespaceFields(std::string_view line) {
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

std::vector<std::string_view> tabFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t at = 0;
  for (;;) {
    size_t tab = line.find('\t', at);
    if (tab == std::string_view::npos) {
      fields.push_back(line.substr(at));
      return fields;
    }
    fields.push_back(line.substr(at, tab - at));
    at = tab + 1;
  }
}

namespace {

// from_chars takes no leading '+'; a '+' before a sign is still refused.
std::string_view withoutPlus(std::string_view field) {
  if (field.size() > 1 && field.front() == '+' && field[1] != '-' && field[1] != '+') {
    field.remove_prefix(1);
  }
  return field;
}

}  // namespace

std::optional<int64_t> parseWholeInteger(std::string_view field) {
  field = withoutPlus(field);
  if (field.empty()) return std::nullopt;
  int64_t value = 0;
  const char* end = field.data() + field.size();
  auto [stop, error] = std::from_chars(field.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<double> parseWholeDecimal(std::string_view field) {
  field = withoutPlus(field);
  if (field.empty()) return std::nullopt;
  double value = 0;
  const char* end = field.data() + field.size();
  auto [stop, error] = std::from_chars(field.data(), end, value, std::chars_format::general);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string lowerCase(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}
