// Snapshots of a prefix for the removal check. Folders that Windows itself changes while any
// program runs (windows/, the Temp folders) are left out, and so are the registry keys that
// Wine rewrites on every start, so that only what the product made or left remains.
#include "try_snapshot.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>

#include "file_io.h"
#include "text_encoding.h"

namespace quillset {
namespace {

// Keys that Wine or the shell touch on their own whenever a program runs; Wine's console host
// writes its defaults the first time any console program starts in a prefix.
constexpr std::array<std::string_view, 7> VOLATILE_KEYS = {
    "HKCU\\Console",
    "HKCU\\Software\\Wine",
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer",
    "HKLM\\System",
    "HKLM\\Software\\Wine",
    "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Perflib",
    "HKCU\\Volatile Environment"};

bool IsVolatileKey(std::string_view key)
{
    return std::any_of(VOLATILE_KEYS.begin(), VOLATILE_KEYS.end(), [&](std::string_view prefix) {
        return key.size() >= prefix.size() && key.substr(0, prefix.size()) == prefix &&
               (key.size() == prefix.size() || key[prefix.size()] == '\\');
    });
}

// The UTF-16 unit that Wine wrote as "\\x" and 1 to 4 hex digits, in the package's code page
// (Windows-1252), as the texts it is compared with; a unit that the code page lacks stays UTF-8.
std::string EncodeWineUnit(std::uint32_t unit)
{
    std::string text;
    if (const int byte = FindWindows1252Byte(unit); byte >= 0)
        text += static_cast<char>(byte);
    else
        AppendUtf8(text, unit);
    return text;
}

// The control characters that Wine writes as a backslash and a letter, each after its letter;
// the others it writes as a backslash and up to three octal digits.
constexpr std::string_view LETTER_ESCAPES = "a\ab\bt\tn\nv\vf\fr\re\x1b";

// A registry file's text with backslash escapes undone ("\\" to "\", "\"" to '"', "\\xe9"
// to the character it stands for, "\\t" and "\\37" to control characters).
std::string Unescape(std::string_view text)
{
    const auto isDigitAt = [&](std::size_t at, int base) {
        if (at >= text.size())
            return false;
        const char c = text[at];
        return base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : c >= '0' && c <= '7';
    };
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain += text[i];
            continue;
        }
        const char escaped = text[++i];
        const bool hex = escaped == 'x' && isDigitAt(i + 1, 16);
        if (hex || isDigitAt(i, 8)) {
            const std::size_t start = hex ? i + 1 : i;
            std::size_t end = start;
            while (end < start + (hex ? 4 : 3) && isDigitAt(end, hex ? 16 : 8))
                ++end;
            const auto unit = static_cast<std::uint32_t>(
                std::stoul(std::string(text.substr(start, end - start)), nullptr, hex ? 16 : 8));
            plain += EncodeWineUnit(unit);
            i = end - 1;
            continue;
        }
        std::size_t letter = 0;
        while (letter < LETTER_ESCAPES.size() && LETTER_ESCAPES[letter] != escaped)
            letter += 2;
        plain += letter < LETTER_ESCAPES.size() ? LETTER_ESCAPES[letter + 1] : escaped;
    }
    return plain;
}

// Skips the quoted text starting at `text[0]` (a quote); the position after its closing quote.
std::size_t EndOfQuoted(std::string_view text)
{
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == '"')
            return i + 1;
    }
    return std::string_view::npos;
}

std::string ToLower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The path's names in lower case, as Wine matches them.
std::vector<std::string> SplitLowerParts(const std::filesystem::path& relative)
{
    std::vector<std::string> parts;
    for (const auto& part : relative)
        if (!part.empty())
            parts.push_back(ToLower(part.string()));
    return parts;
}

// windows\ and the users' Temp folders (users\NAME\Temp, users\NAME\AppData\Local\Temp), and
// no other folder of that name, which may be a product's own.
bool IsLeftOutFolder(const std::filesystem::path& relative)
{
    const std::vector<std::string> parts = SplitLowerParts(relative);
    if (parts.empty())
        return false;
    if (parts[0] == "windows")
        return true;
    if (parts[0] != "users" || parts.size() < 3)
        return false;
    return parts[2] == "temp" ||
           (parts.size() >= 5 && parts[2] == "appdata" && parts[3] == "local" && parts[4] == "temp");
}

// True for a folder that holds the watched one, and for that folder and all below it.
bool IsOnWatchedPath(const std::filesystem::path& relative, const std::vector<std::string>& watched)
{
    const std::vector<std::string> parts = SplitLowerParts(relative);
    const std::size_t shared = std::min(parts.size(), watched.size());
    return !watched.empty() && std::equal(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(shared),
                                          watched.begin());
}

}  // namespace

RegistryKeys ParseWineRegistry(std::string_view text)
{
    RegistryKeys keys;
    std::map<std::string, std::string>* current = nullptr;
    std::string pending;  // a value line continued with a trailing backslash
    std::istringstream lines{std::string(text)};
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!pending.empty()) {
            const std::size_t start = line.find_first_not_of(" \t");
            pending += start == std::string::npos ? "" : line.substr(start);
            line = pending;
            pending.clear();
        }
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            const std::size_t close = line.rfind(']');
            if (close == std::string::npos)
                continue;
            current = &keys[Unescape(std::string_view(line).substr(1, close - 1))];
            continue;
        }
        if (!current || (line[0] != '"' && line[0] != '@'))
            continue;
        if (line.back() == '\\') {
            line.pop_back();
            pending = line;
            continue;
        }
        std::string name;
        std::size_t equals = 1;
        if (line[0] == '"') {
            const std::size_t end = EndOfQuoted(line);
            if (end == std::string::npos)
                continue;
            name = Unescape(std::string_view(line).substr(1, end - 2));
            equals = end;
        }
        if (equals >= line.size() || line[equals] != '=')
            continue;
        (*current)[name] = line.substr(equals + 1);
    }
    return keys;
}

std::string DescribeRegistryData(std::string_view data)
{
    if (data.size() >= 2 && data.front() == '"' && data.back() == '"')
        return Unescape(data.substr(1, data.size() - 2));
    if (data.starts_with("dword:")) {
        try {
            return std::to_string(std::stoul(std::string(data.substr(6)), nullptr, 16));
        } catch (const std::exception&) {
        }
    }
    return std::string(data);
}

void AddRegistryEntries(PrefixSnapshot& snapshot, std::string_view root, const RegistryKeys& keys)
{
    for (const auto& [path, values] : keys) {
        const std::string key = std::string(root) + "\\" + path;
        if (IsVolatileKey(key))
            continue;
        snapshot.entries.insert("key " + key);
        for (const auto& [name, data] : values)
            snapshot.entries.insert("value " + key + "\\" + (name.empty() ? "(default)" : name) + " = " +
                                    DescribeRegistryData(data));
    }
}

PrefixSnapshot TakeSnapshot(const std::filesystem::path& prefix, const std::string& watched)
{
    namespace fs = std::filesystem;
    PrefixSnapshot snapshot;
    const fs::path drive = prefix / "drive_c";
    std::string watchedPath = DecodeWindows1252(watched.size() > 3 ? watched.substr(3) : "");
    std::replace(watchedPath.begin(), watchedPath.end(), '\\', '/');
    const std::vector<std::string> watchedParts = SplitLowerParts(watchedPath);
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(drive, fs::directory_options::skip_permission_denied, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (error)
            break;
        const fs::path relative = it->path().lexically_relative(drive);
        if (IsLeftOutFolder(relative) && !IsOnWatchedPath(relative, watchedParts)) {
            if (it->is_directory(error) && !it->is_symlink(error))
                it.disable_recursion_pending();
            continue;
        }
        std::string windows = "C:\\" + relative.string();
        std::replace(windows.begin(), windows.end(), '/', '\\');
        const bool folder = it->is_directory(error) && !it->is_symlink(error);
        snapshot.entries.insert((folder ? "folder " : "file ") + windows);
    }
    AddRegistryEntries(snapshot, "HKCU", ParseWineRegistry(ReadProgramOutput(prefix / "user.reg")));
    AddRegistryEntries(snapshot, "HKLM", ParseWineRegistry(ReadProgramOutput(prefix / "system.reg")));
    return snapshot;
}

std::vector<std::string> FindAdded(const PrefixSnapshot& before, const PrefixSnapshot& after)
{
    std::vector<std::string> added;
    std::set_difference(after.entries.begin(), after.entries.end(), before.entries.begin(), before.entries.end(),
                        std::back_inserter(added));
    return added;
}

}  // namespace quillset
