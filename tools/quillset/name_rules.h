// Which single path components Windows can store: reserved characters, device names, trailing
// dots and spaces; and the case folding that tells names colliding on Windows apart.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillset {

// What is wrong with `name` (Windows-1252 bytes) as one file or directory name, or nothing.
std::optional<std::string> FindNameProblem(std::string_view name);

// Whether `text` holds a C0 control character (a tab, a line break, ...), which no name takes.
bool HasControlCharacter(std::string_view text);

// `name` folded to upper case as Windows compares names (ASCII and the Latin letters of 1252).
std::string FoldNameCase(std::string_view name);

}  // namespace quillset
