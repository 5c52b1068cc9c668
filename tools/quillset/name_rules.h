// Which single path components Windows can store: reserved characters, device names, trailing
// dots and spaces; and the case folding that tells names colliding on Windows apart.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace quillset {

// What is wrong with `name` (Windows-1252 bytes) as one file or directory name, or nothing.
std::optional<std::string> FindNameProblem(std::string_view name);

// Whether `text` holds a C0 control character (a tab, a line break, ...), which no name takes.
bool HasControlCharacter(std::string_view text);

// `name` folded to upper case as Windows compares names (ASCII and the Latin letters of 1252).
std::string FoldNameCase(std::string_view name);

// The stem and extension of the 8.3 names that Windows makes up for `name` on a disk that
// keeps short names: "README" and "TXT" for "README-first.txt", which becomes "README~1.TXT"
// (then ~2, ~3, ~4 for more names alike). Nothing for a name that is an 8.3 name itself.
struct ShortNameForm {
    std::string stem;
    std::string extension;
    bool operator==(const ShortNameForm&) const = default;
};
std::optional<ShortNameForm> FindShortNameForm(std::string_view name);

// The form and the number of `name` when it is spelt like a made-up short name, "README~2.TXT"
// giving "README", "TXT" and 2; nothing otherwise.
std::optional<std::pair<ShortNameForm, int>> ReadShortNameAlias(std::string_view name);

// In the names of one folder, one spelt like the short name that Windows makes up for the
// long names alike on a disk that keeps 8.3 names, where the two are then one name: its index
// and that of the first long name alike. Only the numbered forms ~1 to ~4 are known; past four,
// Windows makes hashed names.
struct ShortNameClash {
    std::size_t alias;
    std::size_t first;
};
std::optional<ShortNameClash> FindShortNameClash(std::span<const std::string_view> names);

}  // namespace quillset
