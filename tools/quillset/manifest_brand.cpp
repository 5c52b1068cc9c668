// The [version] table: texts are checked for what a version record can hold, and the product
// version is parsed into the four 16-bit numbers of the record's fixed part.
#include "manifest_brand.h"

#include <algorithm>
#include <charconv>

#include "version_record.h"

namespace quillset {
namespace {

// Explorer shows a line of each; the bound keeps the record far below its 64 KiB.
constexpr std::size_t MAX_VERSION_TEXT = 1024;

// The UTF-16 units that show as nothing: Explorer would show an empty line.
bool IsBlankUnit(char16_t unit)
{
    return unit == u' ' || unit == u'\t' || unit == u'\r' || unit == u'\n' || unit == u'\u00A0' ||
           (unit >= u'\u2000' && unit <= u'\u200B') || unit == u'\u3000' || unit == u'\uFEFF';
}

std::optional<std::string> FindVersionText(ManifestTable& table, std::string_view key)
{
    std::optional<std::string> text = table.FindUtf8(key);
    if (!text)
        return std::nullopt;
    const std::string name = "'" + std::string(key) + "' in [version]";
    const std::u16string units = ConvertToUtf16(*text);
    if (std::all_of(units.begin(), units.end(), IsBlankUnit))
        table.Fail(table.FindLine(key), name + " is blank; give a text or leave the key out");
    if (text->find('\0') != std::string::npos)
        table.Fail(table.FindLine(key), name + " cannot contain a NUL character");
    if (units.size() > MAX_VERSION_TEXT)
        table.Fail(table.FindLine(key), name + " is longer than " + std::to_string(MAX_VERSION_TEXT) +
                                            " characters as Windows counts them (UTF-16 units: a character "
                                            "beyond U+FFFF, such as an emoji, counts as two)");
    return text;
}

// "2.1" or "2.1.0.7": one to four numbers from 0 to 65535, the missing ones 0.
std::optional<std::array<std::uint16_t, 4>> ParseVersionNumber(std::string_view text)
{
    std::array<std::uint16_t, 4> parts{};
    std::size_t index = 0;
    const char* at = text.data();
    const char* end = text.data() + text.size();
    while (true) {
        if (index == parts.size() || at == end || *at < '0' || *at > '9')
            return std::nullopt;
        const auto [next, error] = std::from_chars(at, end, parts[index]);
        if (error != std::errc())
            return std::nullopt;
        ++index;
        at = next;
        if (at == end)
            return parts;
        if (*at != '.')
            return std::nullopt;
        ++at;
    }
}

}  // namespace

ManifestVersion ReadVersionTable(ManifestTable& table)
{
    ManifestVersion version;
    version.productName = FindVersionText(table, "product_name");
    version.productVersion = FindVersionText(table, "product_version");
    if (version.productVersion) {
        const auto number = ParseVersionNumber(*version.productVersion);
        if (!number)
            table.Fail(table.FindLine("product_version"),
                       "'product_version' in [version] is \"" + *version.productVersion +
                           "\"; write it as one to four numbers from 0 to 65535 separated by "
                           "dots, such as \"2.1\" or \"2.1.0.7\", which Windows keeps as the "
                           "file's version number");
        version.number = *number;
    }
    version.company = FindVersionText(table, "company");
    version.description = FindVersionText(table, "description");
    version.copyright = FindVersionText(table, "copyright");
    table.RejectUnknownKeys();
    return version;
}

}  // namespace quillset
