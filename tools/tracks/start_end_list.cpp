// Parsing velmora's start/end lists.
#include "start_end_list.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::vector<std::string> tabFields(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, '\t')) fields.push_back(field);
  if (!line.empty() && line.back() == '\t') fields.emplace_back();
  return fields;
}

template <typename T>
std::optional<T> number(const std::string& text) {
  T value{};
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<ListKind> shapeOf(const std::vector<std::string>& f) {
  auto word = [&](size_t i) { return i < f.size() && (f[i] == "start" || f[i] == "end"); };
  if (f.size() == 7 && word(4) && f[5] == "Subjects") return ListKind::subjects;
  if (f.size() == 6 && word(5)) return ListKind::levels;
  if (f.size() == 8 && word(7)) return ListKind::pValues;
  return std::nullopt;
}

struct Line {
  int chromosome;
  int64_t position;
  bool start;
  Segment fields;  // kind-specific values of this line
};

std::vector<std::string> names(const std::string& field) {
  std::vector<std::string> out;
  std::istringstream in(field);
  for (std::string name; in >> name;) out.push_back(name);
  return out;
}

Line parse(const std::vector<std::string>& f, ListKind kind, const std::string& where) {
  std::optional<int> chromosome = number<int>(f[0]);
  std::optional<int64_t> position = number<int64_t>(f[1]);
  if (!chromosome || *chromosome < 1) throw std::runtime_error(where + "chromosome '" + f[0] + "' is not a number above 0");
  if (!position || *position < 1) throw std::runtime_error(where + "position '" + f[1] + "' is not a number above 0");
  Line line{*chromosome, *position, false, Segment{*chromosome, *position, *position, {}, 0, 0, 0}};
  switch (kind) {
    case ListKind::subjects:
      line.start = f[4] == "start";
      line.fields.subjects = names(f[6]);
      break;
    case ListKind::levels: {
      std::optional<double> level = number<double>(f[4]);
      if (!level) throw std::runtime_error(where + "fold overlap '" + f[4] + "' is not a number");
      line.start = f[5] == "start";
      line.fields.value = *level;
      break;
    }
    case ListKind::pValues: {
      std::optional<double> minusLogP = number<double>(f[4]);
      std::optional<int> patients = number<int>(f[5]);
      std::optional<int> controls = number<int>(f[6]);
      if (!minusLogP || !patients || !controls) {
        throw std::runtime_error(where + "-log10 p and the two counts must be numbers");
      }
      line.start = f[7] == "start";
      line.fields.value = *minusLogP;
      line.fields.patients = *patients;
      line.fields.controls = *controls;
      break;
    }
  }
  return line;
}

}  // namespace

StartEndList readStartEndList(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open " + path);
  StartEndList list;
  std::optional<ListKind> kind;
  std::optional<Line> open;  // a start line waiting for its end line
  std::string text;
  for (int64_t number = 1; std::getline(in, text); ++number) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    std::string where = path + " line " + std::to_string(number) + ": ";
    if (number == 1 && text.rfind("No_of_samples ", 0) == 0) {
      list.sampleCount = ::number<int>(text.substr(14));
      if (!list.sampleCount || *list.sampleCount < 1) throw std::runtime_error(where + "bad title '" + text + "'");
      continue;
    }
    std::vector<std::string> fields = tabFields(text);
    std::optional<ListKind> shape = shapeOf(fields);
    if (!shape) throw std::runtime_error(where + "not a line of a velmora start/end list");
    if (kind && *shape != *kind) throw std::runtime_error(where + "its columns differ from the lines above");
    kind = shape;
    Line line = parse(fields, *shape, where);
    if (line.start) {
      if (open) throw std::runtime_error(where + "a start line follows a start line");
      open = line;
      continue;
    }
    if (!open) throw std::runtime_error(where + "an end line without a start line");
    if (open->chromosome != line.chromosome || line.position < open->position) {
      throw std::runtime_error(where + "the end line does not close the segment started above it");
    }
    Segment segment = open->fields;
    segment.last = line.position;
    list.segments.push_back(std::move(segment));
    open.reset();
  }
  if (in.bad()) throw std::runtime_error("cannot read " + path);
  if (open) throw std::runtime_error(path + ": the last start line has no end line");
  if (kind) list.kind = *kind;
  if (list.sampleCount && list.kind != ListKind::levels) {
    throw std::runtime_error(path + ": a No_of_samples title belongs to fold-overlap level lists only");
  }
  return list;
}
