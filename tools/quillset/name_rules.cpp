// Name checks for product files and shortcut names, applied to the Windows-1252 form.
// Device names are refused with any extension, as Windows opens the device for "NUL.txt" too.
#include "name_rules.h"

#include <algorithm>
#include <array>
#include <cstdint>

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

}  // namespace quillset
