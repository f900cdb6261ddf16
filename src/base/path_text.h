// Paths and names as a program receives them: a control character (a line
// break or tab pasted into a path, say) would break the line-based files that
// carry paths (analysis files, manifests, logs), so every program refuses it
// before writing anything.
#pragma once
#include <string>
#include <string_view>

// Throws std::runtime_error when `text` holds a C0 control character
// (0x01..0x1f, LF, CR and TAB among them), NUL or DEL (0x7f). The message
// names `what` (e.g. "--out") and the character, e.g. "--out holds a line
// break (LF); paths and names with control characters are refused"; the
// text itself is not repeated, since printing it would print the character.
void refuseControlCharacters(const std::string& what, std::string_view text);
