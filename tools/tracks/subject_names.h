// The names velmora gives the subjects of its pools (the file-name part of each
// genotyping file path), used to read back a subjects list's names field,
// where velmora writes " name" per sharing subject: a name that holds blanks
// cannot be told from two names without knowing the names.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

struct AnalysisInput;

// The names velmora gives the subjects of `input`: the file-name part of
// each genotyping file path, patients then controls.
std::vector<std::string> velmoraSubjectNames(const AnalysisInput& input);

class SubjectNames {
 public:
  // `names` as velmora prints them; repeats are kept once. An empty name is
  // dropped (velmora refuses such a path).
  explicit SubjectNames(const std::vector<std::string>& names);
  SubjectNames(const SubjectNames&) = delete;  // known_ views names_
  SubjectNames& operator=(const SubjectNames&) = delete;

  // Splits a names field (" a b c", or empty for none) into known names, in
  // field order. Where names overlap the longest known name that leaves a
  // splittable rest is taken first, so "p 01.txt" wins over "p". Returns
  // std::nullopt when the field is no sequence of " name" of known names.
  std::optional<std::vector<std::string>> split(std::string_view field) const;

 private:
  std::vector<std::string> names_;
  std::unordered_set<std::string_view> known_;  // views of names_
  std::vector<size_t> lengths_;                 // distinct name lengths, longest first
};
