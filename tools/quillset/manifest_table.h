// Typed, line-aware access to one table of the manifest: required and optional keys, value
// checks whose errors name the key's line, and a final refusal of keys nobody asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include <toml++/toml.h>

namespace quillset {

class ManifestTable {
public:
    // `name` is how messages call the table, e.g. "[product]".
    ManifestTable(const toml::table& table, std::string name, std::string file);

    // A string key as UTF-8; required ones must be present and non-empty.
    std::string RequireUtf8(std::string_view key);
    std::optional<std::string> FindUtf8(std::string_view key);

    // A string key as Windows-1252 text.
    std::string RequireText(std::string_view key);
    std::optional<std::string> FindText(std::string_view key);

    // A Windows-1252 text that takes folder variables: every %Name% token must name one, and a
    // folder's name must not follow one directly.
    std::string RequireFolderText(std::string_view key);
    std::optional<std::string> FindFolderText(std::string_view key);

    // Fails unless every %Name% token of `text`, the value of `key`, names a folder variable.
    void CheckFolderVariables(std::string_view key, const std::string& text) const;

    bool FindBool(std::string_view key, bool fallback);

    // True when the table holds `key`, of whatever type.
    bool HasKey(std::string_view key) const;

    // A sub-table or array of tables; a key of another type is refused.
    const toml::table* FindTable(std::string_view key);
    const toml::table& RequireTable(std::string_view key);
    const toml::array* FindArray(std::string_view key);

    // A show word (normal | minimized | maximized | hidden) as its show-mode index.
    std::uint8_t FindShowMode(std::string_view key);

    // The line of a key, or of the table itself when the key is absent.
    std::size_t FindLine(std::string_view key) const;

    // Throws for the first key that no accessor asked for (typos must not pass silently).
    void RejectUnknownKeys() const;

    [[noreturn]] void Fail(std::size_t line, const std::string& message) const;

private:
    const toml::node* FindNode(std::string_view key);
    void CheckJoinedFolderVariables(std::string_view key, const std::string& text) const;

    const toml::table& table;
    std::string name;
    std::string file;
    std::set<std::string, std::less<>> askedKeys;
};

// "file:line: message" as a ManifestError.
[[noreturn]] void ThrowManifestError(const std::string& file, std::size_t line, const std::string& message);

}  // namespace quillset
