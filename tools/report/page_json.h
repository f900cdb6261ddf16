// The report page's embedded data: built as nlohmann::ordered_json and
// written so that any value, of any size or content, is valid JSON that is
// also safe inside an HTML script element.
#pragma once
#include <nlohmann/json.hpp>
#include <string>

using PageJson = nlohmann::ordered_json;

// `value` rounded to `decimals` places as a JSON number (the page shows at
// most that many); null when it is not finite (NaN or infinity, which JSON
// cannot write). Values too large to round keep every digit.
PageJson roundedNumber(double value, int decimals);

// The JSON text of `data`: invalid UTF-8 replaced by U+FFFD, and '<', '>'
// and '&' written as \u escapes so that no "</script>" or comment opener can
// end the element holding it.
std::string scriptSafeJson(const PageJson& data);
