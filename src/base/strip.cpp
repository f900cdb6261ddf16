// strip: trims blanks and tabs around a text in place.
#include <cstring>

#include "base/lines.h"

char* strip(char* text) {
  if (text == nullptr) return nullptr;
  while (*text == ' ' || *text == '\t') ++text;
  size_t len = std::strlen(text);
  while (len > 0 && (text[len - 1] == ' ' || text[len - 1] == '\t')) text[--len] = '\0';
  return text;
}
