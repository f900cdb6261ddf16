// Splitting a subjects list's names field by the names velmora knows.
#include "subject_names.h"

#include <algorithm>
#include <cstdint>
#include <functional>

#include "base/analysis_input.h"
#include "base/lines.h"

SubjectNames::SubjectNames(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (!name.empty()) names_.push_back(name);
  }
  std::sort(names_.begin(), names_.end());
  names_.erase(std::unique(names_.begin(), names_.end()), names_.end());
  for (const std::string& name : names_) {
    known_.insert(name);
    lengths_.push_back(name.size());
  }
  std::sort(lengths_.begin(), lengths_.end(), std::greater<>());
  lengths_.erase(std::unique(lengths_.begin(), lengths_.end()), lengths_.end());
}

std::optional<std::vector<std::string>> SubjectNames::split(std::string_view field) const {
  if (field.empty()) return std::vector<std::string>{};
  // From the end backwards: after[p] is where the name that begins after the
  // blank at p ends (a blank or the field's end) such that the rest splits
  // too; the longest such name is kept. Only distinct name lengths are tried,
  // so a field costs its blanks times those lengths, whatever the pools' size.
  constexpr uint32_t kNone = UINT32_MAX;
  const size_t size = field.size();
  std::vector<uint32_t> after(size + 1, kNone);
  after[size] = static_cast<uint32_t>(size);
  for (size_t p = size; p-- > 0;) {
    if (field[p] != ' ') continue;
    for (size_t length : lengths_) {
      size_t end = p + 1 + length;
      if (end > size || after[end] == kNone) continue;
      if (end < size && field[end] != ' ') continue;
      if (known_.count(field.substr(p + 1, length)) != 0) {
        after[p] = static_cast<uint32_t>(end);
        break;
      }
    }
  }
  if (after[0] == kNone) return std::nullopt;
  std::vector<std::string> split;
  for (size_t p = 0; p < size; p = after[p])
    split.emplace_back(field.substr(p + 1, after[p] - p - 1));
  return split;
}

std::vector<std::string> velmoraSubjectNames(const AnalysisInput& input) {
  std::vector<std::string> names;
  for (const auto* pool : {&input.patients, &input.controls}) {
    for (const std::string& path : *pool) names.emplace_back(fileNameBody(path.c_str()));
  }
  return names;
}
