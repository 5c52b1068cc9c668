// Small formatting helpers for messages and reports (the compiler has no std::format yet).
// Hexadecimal numbers with a 0x prefix and fixed-width padding.
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

// `text` padded with spaces on the right to `width` characters.
inline std::string PadRight(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

}  // namespace quillset
