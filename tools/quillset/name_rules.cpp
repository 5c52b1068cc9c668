// Name checks for product files and shortcut names, applied to the Windows-1252 form.
// Device names are refused with any extension, as Windows opens the device for "NUL.txt" too.
#include "name_rules.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>

#include "common/path_routines.h"
#include "text_encoding.h"

namespace quillset {
namespace {

// Device names without their digit; COM and LPT take 1-9 and the superscripts 1-3 of 1252.
constexpr std::array<std::string_view, 4> PLAIN_DEVICES = {"CON", "PRN", "AUX", "NUL"};
constexpr std::array<std::string_view, 2> NUMBERED_DEVICES = {"COM", "LPT"};

bool IsDeviceDigit(char c)
{
    const auto byte = static_cast<std::uint8_t>(c);
    return (c >= '1' && c <= '9') || byte == 0xB9 || byte == 0xB2 || byte == 0xB3;
}

bool IsDeviceName(std::string_view name)
{
    // The part before the first dot, without trailing spaces, is what Windows compares.
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    const std::string folded = FoldNameCase(base);
    for (const std::string_view device : PLAIN_DEVICES) {
        if (folded == device)
            return true;
    }
    for (const std::string_view device : NUMBERED_DEVICES) {
        if (folded.size() == 4 && folded.starts_with(device) && IsDeviceDigit(folded[3]))
            return true;
    }
    return false;
}

}  // namespace

std::optional<std::string> FindNameProblem(std::string_view name)
{
    if (name.empty())
        return "an empty name cannot be stored";
    if (name == "." || name == "..")
        return "'" + std::string(name) + "' is not a name";
    if (HasControlCharacter(name))
        return "a name cannot contain control characters";
    for (const char c : name) {
        if (IsSeparator(c))
            return "a name cannot contain a path separator";
        if (IsInvalidPathChar(c))
            return std::string("a name cannot contain '") + c + "' (reserved: < > : \" / \\ | ? *)";
    }
    if (name.back() == '.' || name.back() == ' ')
        return "a name cannot end in a dot or a space";
    if (IsDeviceName(name))
        return "'" + DecodeWindows1252(name) + "' is a reserved device name on Windows";
    return std::nullopt;
}

bool HasControlCharacter(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<std::uint8_t>(c) < 0x20; });
}

std::string FoldNameCase(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte >= 'a' && byte <= 'z')
            c = static_cast<char>(byte - 0x20);
        else if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)
            c = static_cast<char>(byte - 0x20);
        else if (byte == 0x9A || byte == 0x9C || byte == 0x9E)  // s, oe, z with hacek / ligature
            c = static_cast<char>(byte - 0x10);
        else if (byte == 0xFF)  // y with diaeresis
            c = static_cast<char>(0x9F);
    }
    return folded;
}

namespace {

// Characters that an 8.3 name takes as they stand (besides letters, digits and bytes from 0x80).
constexpr std::string_view SHORT_NAME_MARKS = "!#$%&'()-@^_`{}~";

bool IsShortNameCharacter(char c)
{
    const auto byte = static_cast<std::uint8_t>(c);
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
           byte >= 0x80 || SHORT_NAME_MARKS.find(c) != std::string_view::npos;
}

// True for a name of at most eight and three such characters around at most one dot.
bool IsShortName(std::string_view name)
{
    const std::size_t dot = name.find('.');
    const std::string_view stem = name.substr(0, dot);
    const std::string_view extension = dot == std::string_view::npos ? "" : name.substr(dot + 1);
    const auto allShort = [](std::string_view part) {
        return std::all_of(part.begin(), part.end(), IsShortNameCharacter);
    };
    return !stem.empty() && stem.size() <= 8 && extension.size() <= 3 &&
           (dot == std::string_view::npos || !extension.empty()) && allShort(stem) && allShort(extension);
}

// The part as Windows puts it into a made-up short name: blanks and dots dropped, "+,;=[]"
// made underscores, upper case.
std::string CleanForShortName(std::string_view part)
{
    std::string cleaned;
    for (const char c : part) {
        if (c == ' ' || c == '.')
            continue;
        cleaned += std::string_view("+,;=[]").find(c) != std::string_view::npos ? '_' : c;
    }
    return FoldNameCase(cleaned);
}

}  // namespace

std::optional<ShortNameForm> FindShortNameForm(std::string_view name)
{
    if (IsShortName(name))
        return std::nullopt;
    const std::size_t dot = name.rfind('.');
    const bool hasExtension = dot != std::string_view::npos && dot > 0;
    const std::string stem = CleanForShortName(hasExtension ? name.substr(0, dot) : name);
    const std::string extension = hasExtension ? CleanForShortName(name.substr(dot + 1)) : "";
    if (stem.empty())
        return std::nullopt;
    return ShortNameForm{stem.substr(0, 6), extension.substr(0, 3)};
}

std::optional<std::pair<ShortNameForm, int>> ReadShortNameAlias(std::string_view name)
{
    if (!IsShortName(name))
        return std::nullopt;
    const std::size_t dot = name.find('.');
    const std::string_view stem = name.substr(0, dot);
    const std::size_t tilde = stem.rfind('~');
    if (tilde == std::string_view::npos || tilde == 0 || tilde > 6 || tilde + 1 == stem.size())
        return std::nullopt;
    int number = 0;
    for (const char c : stem.substr(tilde + 1)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    const std::string extension = dot == std::string_view::npos ? "" : FoldNameCase(name.substr(dot + 1));
    return std::pair{ShortNameForm{FoldNameCase(stem.substr(0, tilde)), extension}, number};
}

std::optional<ShortNameClash> FindShortNameClash(std::span<const std::string_view> names)
{
    constexpr int NUMBERED_SHORT_NAMES = 4;
    struct Alike {
        int count = 0;
        std::size_t first = 0;
    };
    // Counted once, so that a folder of many names takes a pass, not one per alias.
    std::map<std::pair<std::string, std::string>, Alike> forms;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (auto form = FindShortNameForm(names[i])) {
            Alike& alike = forms[{std::move(form->stem), std::move(form->extension)}];
            if (alike.count++ == 0)
                alike.first = i;
        }
    }
    for (std::size_t alias = 0; alias < names.size(); ++alias) {
        const auto read = ReadShortNameAlias(names[alias]);
        if (!read || read->second < 1 || read->second > NUMBERED_SHORT_NAMES)
            continue;
        const auto found = forms.find({read->first.stem, read->first.extension});
        if (found != forms.end() && found->second.count >= read->second)
            return ShortNameClash{alias, found->second.first};
    }
    return std::nullopt;
}

}  // namespace quillset
