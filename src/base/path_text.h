// Paths and names as a program receives them: a control character (a line
// break or tab pasted into a path, say) would break the line-based files that
// carry paths (analysis files, manifests, logs), so every program refuses it
// before writing anything.
#pragma once
#include <string>
#include <string_view>

// True when `text` holds a C0 control character (0x01..0x1f, LF, CR and TAB
// among them), NUL, or DEL (0x7f).
bool hasControlCharacter(std::string_view text);

// Empty when `path` is fine; otherwise a message naming what (`what`, e.g.
// "--out") holds which character, e.g. "--out holds a line break (LF); paths
// and names with control characters are refused". The path itself is not
// repeated, since printing it would print the character.
std::string controlCharacterProblem(const std::string& what, std::string_view path);
