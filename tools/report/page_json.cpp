// Writing the page's JSON: rounding, and escapes for a script element.
#include "page_json.h"

#include <cmath>

PageJson roundedNumber(double value, int decimals) {
  if (!std::isfinite(value)) return nullptr;
  double scale = std::pow(10.0, decimals);
  double scaled = value * scale;
  // Beyond 2^52 a double has no fraction left to round away.
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 4503599627370496.0) return value;
  return std::round(scaled) / scale;
}

std::string scriptSafeJson(const PageJson& data) {
  std::string text = data.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::string safe;
  safe.reserve(text.size() + text.size() / 16);
  // Outside strings JSON holds none of these characters, so escaping every
  // occurrence only touches string contents.
  for (char c : text) {
    switch (c) {
      case '<':
        safe += "\\u003c";
        break;
      case '>':
        safe += "\\u003e";
        break;
      case '&':
        safe += "\\u0026";
        break;
      default:
        safe += c;
    }
  }
  return safe;
}
