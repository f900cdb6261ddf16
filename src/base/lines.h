// Line utilities shared by every reader of velmora and annotsum: reading one
// line whatever its line end, trimming, splitting into fields, and the file-name
// part of a path. All four work in place on caller-owned buffers and never
// allocate; returned texts point into the buffer passed in.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// Line-length limit used by every text reader (characters, without terminator).
constexpr int32_t kLineLimit = 10000;
// Field array size used by every reader that splits a line.
constexpr int32_t kMaxFields = 100;

// Reads one line of `stream` into `buf` (which must hold size + 1 bytes) without
// its line end; LF, CR LF and a lone CR each end a line. Returns buf, or nullptr
// when there is no further line or the line holds `size` or more characters
// (then buf holds the first `size` characters and the rest stays unread).
char* MyFgets(char* buf, int32_t size, FILE* stream);

// Trims blanks and tabs at both ends in place; returns the new start, or
// nullptr for a nullptr argument.
char* strip(char* text);

// Splits `line` in place. With sep "," (comma mode) fields may be double-quoted
// and `fields` needs maxFields + 1 entries; with any other sep (separator mode)
// fields are trimmed of blanks and `fields` needs maxFields entries. Both modes
// stop at maxFields fields, the last one keeping the rest of the line. Returns
// the number of fields (at least 1).
int32_t split(char* line, char** fields, const char* sep, int32_t maxFields);

// Returns a pointer into `path` just after its last '/', or path itself.
const char* fileNameBody(const char* path);
char* fileNameBody(char* path);

// Reads one whole line of any length (line ends as MyFgets) into `line`.
// Returns false at end of input with nothing read. Used where lines are copied
// rather than parsed, so that no line is ever cut.
bool readWholeLine(FILE* stream, std::string& line);
