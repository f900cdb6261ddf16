// The control-character rule for paths and names given to a program.
#include "path_text.h"

#include <cstdio>
#include <stdexcept>

void refuseControlCharacters(const std::string& what, std::string_view text) {
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7f) continue;
    std::string name;
    switch (u) {
      case '\n':
        name = "a line break (LF)";
        break;
      case '\r':
        name = "a carriage return (CR)";
        break;
      case '\t':
        name = "a tab";
        break;
      default: {
        char code[8];
        std::snprintf(code, sizeof code, "0x%02x", u);
        name = std::string("the control character ") + code;
      }
    }
    throw std::runtime_error(what + " holds " + name +
                             "; paths and names with control characters are refused");
  }
}
