// Fields of a text line kept as views, and numbers read only when the whole
// field is one: "12abc" is no number (the C conversions would read 12), nor
// are "nan", "inf" or values beyond the type's range. Used by the companion
// programs' readers; velmora's own readers keep the C conversions.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Fields separated by runs of blanks and tabs; leading and trailing ones give
// no empty field.
std::vector<std::string_view> whitespaceFields(std::string_view line);

// Fields separated by single tabs: n tabs always give n + 1 fields.
std::vector<std::string_view> tabFields(std::string_view line);

// `text` with ASCII letters in lower case (header names, build names).
std::string lowerCase(std::string_view text);

// A decimal integer with an optional sign; nothing when the field holds
// anything else or the value leaves int64_t.
std::optional<int64_t> parseWholeInteger(std::string_view field);

// A finite decimal number ("1.5", "-2e-3", an optional leading '+'); nothing
// for partial numbers, nan, inf, hexadecimal or values that overflow double.
std::optional<double> parseWholeDecimal(std::string_view field);
