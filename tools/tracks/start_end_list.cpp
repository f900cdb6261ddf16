// Parsing velmora's start/end lists.
#include "start_end_list.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <type_traits>

#include "base/line_reader.h"
#include "base/safe_file.h"
#include "base/text_fields.h"

namespace {

// Whole-field numbers (the shared parsers); int fields must also fit an int.
template <typename T>
std::optional<T> number(std::string_view text) {
  if constexpr (std::is_same_v<T, double>) {
    return parseWholeDecimal(text);
  } else {
    std::optional<int64_t> value = parseWholeInteger(text);
    if (!value || *value < std::numeric_limits<T>::min() ||
        *value > std::numeric_limits<T>::max()) {
      return std::nullopt;
    }
    return static_cast<T>(*value);
  }
}

std::optional<ListKind> shapeOf(const std::vector<std::string_view>& f) {
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

std::string shown(std::string_view field) {
  return std::string(field.substr(0, 40));
}

// velmora writes " name" per sharing subject: without the subjects' names
// known, names are split at blanks.
std::vector<std::string> names(std::string_view field, const SubjectNames* known,
                               const std::string& where) {
  if (known != nullptr) {
    std::optional<std::vector<std::string>> split = known->split(field);
    if (!split) {
      throw std::runtime_error(where + "the subjects '" + shown(field) +
                               "' are not names of the analysis file's genotyping files");
    }
    return std::move(*split);
  }
  std::vector<std::string> out;
  for (std::string_view name : whitespaceFields(field)) out.emplace_back(name);
  return out;
}

Line parse(const std::vector<std::string_view>& f, ListKind kind, const SubjectNames* known,
           const std::string& where) {
  std::optional<int> chromosome = number<int>(f[0]);
  std::optional<int64_t> position = number<int64_t>(f[1]);
  if (!chromosome || *chromosome < 1 || *chromosome > kLargestListChromosome) {
    throw std::runtime_error(where + "chromosome '" + shown(f[0]) + "' is not a number from 1 to " +
                             std::to_string(kLargestListChromosome));
  }
  if (!position || *position < 1 || *position > kLargestListPosition) {
    throw std::runtime_error(where + "position '" + shown(f[1]) + "' is not a number from 1 to " +
                             std::to_string(kLargestListPosition));
  }
  Line line{*chromosome, *position, false, Segment{*chromosome, *position, *position, {}, 0, 0, 0}};
  switch (kind) {
    case ListKind::subjects:
      line.start = f[4] == "start";
      line.fields.subjects = names(f[6], known, where);
      break;
    case ListKind::levels: {
      std::optional<double> level = number<double>(f[4]);
      if (!level)
        throw std::runtime_error(where + "fold overlap '" + shown(f[4]) + "' is not a number");
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

StartEndList readStartEndList(const std::string& path, int32_t lineLimit,
                              const SubjectNames* known) {
  InputFile file(openRegularForReading(path));
  if (!file) {
    throw std::runtime_error("cannot open " + path +
                             (inputKind(path) == InputKind::notRegular
                                  ? ": it is not a regular file (a FIFO, device or socket)"
                                  : ""));
  }
  LineReader reader(file.get(), lineLimit);
  StartEndList list;
  std::optional<ListKind> kind;
  std::optional<Line> open;  // a start line waiting for its end line
  std::string_view text;
  while (reader.next(text)) {
    const int64_t number = reader.lineNumber();
    std::string where = path + " line " + std::to_string(number) + ": ";
    if (number == 1 && text.rfind("No_of_samples ", 0) == 0) {
      list.sampleCount = ::number<int>(text.substr(14));
      if (!list.sampleCount || *list.sampleCount < 1) {
        throw std::runtime_error(where + "bad title '" + shown(text) + "'");
      }
      continue;
    }
    std::vector<std::string_view> fields = tabFields(text);
    std::optional<ListKind> shape = shapeOf(fields);
    if (!shape) throw std::runtime_error(where + "not a line of a velmora start/end list");
    if (kind && *shape != *kind)
      throw std::runtime_error(where + "its columns differ from the lines above");
    kind = shape;
    Line line = parse(fields, *shape, known, where);
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
  switch (reader.stop()) {
    case LineStop::endOfFile:
      break;
    case LineStop::lineTooLong:
      throw std::runtime_error(path + " line " + std::to_string(reader.lineNumber() + 1) +
                               " holds " + std::to_string(lineLimit) +
                               " or more characters: not a velmora start/end list");
    case LineStop::readError:
      throw std::runtime_error("cannot read " + path);
  }
  if (open) throw std::runtime_error(path + ": the last start line has no end line");
  if (kind) list.kind = *kind;
  if (list.sampleCount && list.kind != ListKind::levels) {
    throw std::runtime_error(path +
                             ": a No_of_samples title belongs to fold-overlap level lists only");
  }
  return list;
}

double asListed(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", value);
  return std::strtod(text, nullptr);
}
