// split: cuts a line into fields in place, tab-separated or comma-separated with quotes.
#include <cstring>

#include "base/lines.h"

namespace {

// Separator-mode fields lose leading and trailing blanks (never tabs).
char* trimBlanks(char* field) {
  while (*field == ' ') ++field;
  size_t len = std::strlen(field);
  while (len > 0 && field[len - 1] == ' ') field[--len] = '\0';
  return field;
}

int32_t splitSeparated(char* line, char** fields, const char* sep, int32_t maxFields) {
  const size_t sepLen = std::strlen(sep);
  int32_t count = 1;
  fields[0] = line;
  char* current = line;
  if (sepLen > 0) {
    // Once maxFields fields exist the rest of the line stays in the last one, so
    // the caller's array is never written past.
    while (count < maxFields) {
      char* hit = std::strstr(current, sep);
      if (hit == nullptr) break;
      *hit = '\0';
      char* next = hit + sepLen;
      fields[count - 1] = trimBlanks(fields[count - 1]);
      fields[count++] = next;
      current = next;
      if (*next == '\0') break;
    }
  }
  fields[count - 1] = trimBlanks(fields[count - 1]);
  return count;
}

int32_t splitComma(char* line, char** fields, int32_t maxFields) {
  int32_t count = 1;
  fields[0] = line;
  long quotes = 0;
  for (char* p = line; count < maxFields && *p != '\0'; ++p) {
    if (*p == '"') {
      ++quotes;
    } else if (*p == ',' && quotes % 2 == 0) {
      *p = '\0';
      if (p[1] == '\0') break;
      fields[count++] = p + 1;
    }
  }
  fields[count] = nullptr;
  for (int32_t i = 0; i < count; ++i) {
    char* f = fields[i];
    if (*f == '"') ++f;
    size_t len = std::strlen(f);
    if (len > 0 && f[len - 1] == '"') f[len - 1] = '\0';
    fields[i] = f;
  }
  return count;
}

}  // namespace

int32_t split(char* line, char** fields, const char* sep, int32_t maxFields) {
  if (maxFields < 1) maxFields = 1;
  if (std::strcmp(sep, ",") == 0) return splitComma(line, fields, maxFields);
  return splitSeparated(line, fields, sep, maxFields);
}
