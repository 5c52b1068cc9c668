// UTF-8 to Windows-1252 and back, and line-end normalisation.
// Only the code page's assigned characters are accepted; C1 controls are not among them.
#include "text_encoding.h"

#include <array>
#include <cstdint>

#include "text_format.h"

namespace quillset {
namespace {

// Unicode code points of bytes 0x80-0x9F; 0 marks the five unassigned bytes.
constexpr std::array<char32_t, 32> HIGH_CONTROL_RANGE = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 0x88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 0x98
};

// Decodes one UTF-8 sequence at `at`; returns its length, or 0 when it is malformed.
std::size_t DecodeUtf8(std::string_view text, std::size_t at, char32_t& codePoint)
{
    const auto lead = static_cast<std::uint8_t>(text[at]);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, codePoint = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, codePoint = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, codePoint = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

}  // namespace

int FindWindows1252Byte(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<int>(codePoint);
    for (std::size_t i = 0; i < HIGH_CONTROL_RANGE.size(); ++i) {
        if (HIGH_CONTROL_RANGE[i] != 0 && HIGH_CONTROL_RANGE[i] == codePoint)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

void AppendUtf8(std::string& out, char32_t codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

std::string EncodeWindows1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t codePoint = 0;
        const std::size_t length = DecodeUtf8(utf8, at, codePoint);
        if (length == 0)
            throw EncodingError(at, "invalid UTF-8");
        if (codePoint == 0)
            throw EncodingError(at, "a NUL character cannot be stored");
        const int byte = FindWindows1252Byte(codePoint);
        if (byte < 0)
            throw EncodingError(at, "character U+" + FormatHex(codePoint, 4).substr(2) +
                                        " is not in the Windows-1252 code page");
        out += static_cast<char>(byte);
        at += length;
    }
    return out;
}

std::string DecodeWindows1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte >= 0x80 && byte < 0xA0) {
            const char32_t codePoint = HIGH_CONTROL_RANGE[byte - 0x80];
            AppendUtf8(out, codePoint ? codePoint : 0xFFFD);
        } else {
            AppendUtf8(out, byte);
        }
    }
    return out;
}

std::string Quote(std::string_view text)
{
    std::string quoted = "\"";
    for (const char c : DecodeWindows1252(text)) {
        if (c == '\n')
            quoted += "\\n";
        else if (c == '\r')
            quoted += "\\r";
        else if (c == '"')
            quoted += "\\\"";
        else if (static_cast<unsigned char>(c) < 0x20)
            quoted += "\\x" + FormatHex(static_cast<unsigned char>(c), 2).substr(2);
        else
            quoted += c;
    }
    return quoted + "\"";
}

std::string NormalizeLineEnds(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\r') {
            out += "\r\n";
            if (at + 1 < text.size() && text[at + 1] == '\n')
                ++at;
        } else if (text[at] == '\n') {
            out += "\r\n";
        } else {
            out += text[at];
        }
    }
    return out;
}

std::size_t FindLineNumber(std::string_view text, std::size_t offset)
{
    std::size_t line = 1;
    for (std::size_t at = 0; at < offset && at < text.size(); ++at) {
        if (text[at] == '\n')
            ++line;
    }
    return line;
}

bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = text[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        // The lead byte tells the length and the range of the next byte, which rules out
        // overlong forms, surrogates and code points past U+10FFFF.
        std::size_t more;
        unsigned char low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (text.size() - i <= more)
            return false;
        for (std::size_t k = 1; k <= more; ++k) {
            const unsigned char next = text[i + k];
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return false;
        }
        i += more + 1;
    }
    return true;
}

std::string ToUtf8(std::string_view text)
{
    return IsUtf8(text) ? std::string(text) : DecodeWindows1252(text);
}

}  // namespace quillset
