// Line-aware access to the keys of one manifest table.
// Every refusal names the file and the line of the key (or of the table when a key is missing).
#include "manifest_table.h"

#include "folder_references.h"
#include "manifest.h"
#include "show_modes.h"
#include "text_encoding.h"

namespace quillset {

void ThrowManifestError(const std::string& file, std::size_t line, const std::string& message)
{
    if (line == 0)
        throw ManifestError(file + ": " + message);
    throw ManifestError(file + ":" + std::to_string(line) + ": " + message);
}

ManifestTable::ManifestTable(const toml::table& table, std::string name, std::string file)
    : table(table), name(std::move(name)), file(std::move(file))
{
}

const toml::node* ManifestTable::FindNode(std::string_view key)
{
    askedKeys.emplace(key);
    return table.get(key);
}

std::size_t ManifestTable::FindLine(std::string_view key) const
{
    const auto found = table.find(key);
    if (found != table.end())
        return found->first.source().begin.line;
    return table.source().begin.line;
}

void ManifestTable::Fail(std::size_t line, const std::string& message) const
{
    ThrowManifestError(file, line, message);
}

std::optional<std::string> ManifestTable::FindUtf8(std::string_view key)
{
    const toml::node* node = FindNode(key);
    if (!node)
        return std::nullopt;
    if (!node->is_string())
        Fail(FindLine(key), "'" + std::string(key) + "' in " + name + " must be a string");
    return node->as_string()->get();
}

std::string ManifestTable::RequireUtf8(std::string_view key)
{
    std::optional<std::string> value = FindUtf8(key);
    if (!value)
        Fail(FindLine(key), name + " is missing the required key '" + std::string(key) + "'");
    if (value->empty())
        Fail(FindLine(key), "'" + std::string(key) + "' in " + name + " must not be empty");
    return *value;
}

std::optional<std::string> ManifestTable::FindText(std::string_view key)
{
    std::optional<std::string> utf8 = FindUtf8(key);
    if (!utf8)
        return std::nullopt;
    try {
        return EncodeWindows1252(*utf8);
    } catch (const EncodingError& error) {
        Fail(FindLine(key), "'" + std::string(key) + "' in " + name + ": " + error.what());
    }
}

std::string ManifestTable::RequireText(std::string_view key)
{
    const std::string utf8 = RequireUtf8(key);
    try {
        return EncodeWindows1252(utf8);
    } catch (const EncodingError& error) {
        Fail(FindLine(key), "'" + std::string(key) + "' in " + name + ": " + error.what());
    }
}

void ManifestTable::CheckFolderVariables(std::string_view key, const std::string& text) const
{
    if (const std::optional<std::string> unknown = FindUnknownFolderVariable(text))
        Fail(FindLine(key), "'" + std::string(key) + "' in " + name + " names %" + *unknown +
                                "%, which is no folder variable; use one of " + ListFolderVariables() +
                                ", spelt with the same case");
}

void ManifestTable::CheckJoinedFolderVariables(std::string_view key, const std::string& text) const
{
    if (const std::optional<JoinedReference> joined = FindJoinedFolderVariable(text))
        Fail(FindLine(key), "'" + std::string(key) + "' in " + name + " follows %" + joined->name +
                                "% with " + Quote(text.substr(joined->next, 1)) +
                                " directly; the variable names a whole folder: write a backslash after it, "
                                "as in '%" + joined->name + "%\\" + text.substr(joined->next) + "'");
}

std::string ManifestTable::RequireFolderText(std::string_view key)
{
    std::string text = RequireText(key);
    CheckFolderVariables(key, text);
    CheckJoinedFolderVariables(key, text);
    return text;
}

std::optional<std::string> ManifestTable::FindFolderText(std::string_view key)
{
    std::optional<std::string> text = FindText(key);
    if (text) {
        CheckFolderVariables(key, *text);
        CheckJoinedFolderVariables(key, *text);
    }
    return text;
}

bool ManifestTable::FindBool(std::string_view key, bool fallback)
{
    const toml::node* node = FindNode(key);
    if (!node)
        return fallback;
    if (!node->is_boolean())
        Fail(FindLine(key), "'" + std::string(key) + "' in " + name + " must be true or false");
    return node->as_boolean()->get();
}

bool ManifestTable::HasKey(std::string_view key) const
{
    return table.contains(key);
}

const toml::table* ManifestTable::FindTable(std::string_view key)
{
    const toml::node* node = FindNode(key);
    if (node && !node->is_table())
        Fail(FindLine(key), "'" + std::string(key) + "' in " + name + " must be a table");
    return node ? node->as_table() : nullptr;
}

const toml::table& ManifestTable::RequireTable(std::string_view key)
{
    const toml::table* found = FindTable(key);
    if (!found)
        Fail(0, "the manifest has no [" + std::string(key) + "] table");
    return *found;
}

const toml::array* ManifestTable::FindArray(std::string_view key)
{
    const toml::node* node = FindNode(key);
    if (node && !node->is_array_of_tables())
        Fail(FindLine(key),
             "'" + std::string(key) + "' must be written as [[" + std::string(key) + "]] tables");
    return node ? node->as_array() : nullptr;
}

std::uint8_t ManifestTable::FindShowMode(std::string_view key)
{
    const std::optional<std::string> word = FindUtf8(key);
    if (!word)
        return 0;
    for (std::size_t index = 0; index < SHOW_WORDS.size(); ++index) {
        if (*word == SHOW_WORDS[index])
            return static_cast<std::uint8_t>(index);
    }
    Fail(FindLine(key), "'" + std::string(key) + "' in " + name + " is \"" + *word +
                            "\"; use normal, minimized, maximized or hidden");
}

void ManifestTable::RejectUnknownKeys() const
{
    for (const auto& [key, value] : table) {
        if (!askedKeys.contains(key.str()))
            Fail(key.source().begin.line, "unknown key '" + std::string(key.str()) + "' in " + name);
    }
}

}  // namespace quillset
