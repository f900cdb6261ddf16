// A minimal JSON writer for the data the report page embeds: strings escaped
// so that the text is also safe inside an HTML script element.
#pragma once
#include <cstdio>
#include <string>

class JsonText {
 public:
  JsonText& raw(const std::string& text) {
    out_ += text;
    fresh_ = false;
    return *this;
  }
  JsonText& str(const std::string& text) {
    out_ += '"';
    for (unsigned char c : text) {
      switch (c) {
        case '"':
          out_ += "\\\"";
          break;
        case '\\':
          out_ += "\\\\";
          break;
        case '\n':
          out_ += "\\n";
          break;
        case '\t':
          out_ += "\\t";
          break;
        case '<':
          out_ += "\\u003c";
          break;  // no "</script>" can close the element
        case '>':
          out_ += "\\u003e";
          break;
        case '&':
          out_ += "\\u0026";
          break;
        default:
          if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out_ += escaped;
          } else {
            out_ += static_cast<char>(c);
          }
      }
    }
    out_ += '"';
    fresh_ = false;
    return *this;
  }
  JsonText& num(double value, int decimals = 6) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    out_ += text;
    fresh_ = false;
    return *this;
  }
  JsonText& num(long long value) {
    out_ += std::to_string(value);
    fresh_ = false;
    return *this;
  }
  JsonText& key(const std::string& name) {
    comma();
    str(name);
    out_ += ':';
    fresh_ = true;
    return *this;
  }
  // Starts an element of an array or object (writes the comma where needed).
  JsonText& item() {
    comma();
    return *this;
  }
  JsonText& open(char bracket) {
    comma();
    out_ += bracket;
    fresh_ = true;
    return *this;
  }
  JsonText& close(char bracket) {
    out_ += bracket;
    fresh_ = false;
    return *this;
  }
  const std::string& text() const { return out_; }

 private:
  void comma() {
    if (!fresh_ && !out_.empty()) out_ += ',';
    fresh_ = false;
  }
  std::string out_;
  bool fresh_ = true;
};
