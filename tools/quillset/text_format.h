// Small formatting helpers for messages and reports (the compiler has no std::format yet).
// Hexadecimal numbers with a 0x prefix, grouped decimal numbers and fixed-width padding.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace quillset {

// "0x" followed by `value` in upper-case hexadecimal, at least `digits` digits.
inline std::string FormatHex(std::uint64_t value, int digits = 1)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

// `value` in decimal with a comma between groups of three digits: "123,456".
inline std::string FormatGrouped(std::uint64_t value)
{
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t at = 0; at < digits.size(); ++at) {
        if (at > 0 && (digits.size() - at) % 3 == 0)
            grouped += ',';
        grouped += digits[at];
    }
    return grouped;
}

// `text` padded with spaces on the right to `width` characters.
inline std::string PadRight(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

}  // namespace quillset
