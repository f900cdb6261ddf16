// printf-formatted text appended to a string, however long it comes out:
// rows that carry file names of any length are formatted in one call.
#pragma once
#include <cstdarg>
#include <cstdint>
#include <string>

// Appends the printf conversion of `format` to `out`; nothing when the
// conversion itself fails.
void appendFormatted(std::string& out, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
void appendFormattedV(std::string& out, const char* format, va_list args);

// The single conversions of the busiest rows, without a printf call: the
// bytes of "%*.*f" (`precision` decimals in a field of `width` characters,
// right-aligned, or left-aligned for a negative width; nan, -nan and inf as
// printf prints them) and of "%*ld".
void appendFixed(std::string& out, double value, int width, int precision);
void appendInteger(std::string& out, int64_t value, int width);
