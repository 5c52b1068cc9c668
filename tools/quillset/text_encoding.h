// Text conversions between the manifest's UTF-8 and the package's Windows-1252 code page,
// and the CR LF line ends of the information texts.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quillset {

// A text that cannot be stored: `offset` is the byte offset in the UTF-8 input.
class EncodingError : public std::runtime_error {
public:
    EncodingError(std::size_t offset, const std::string& what) : std::runtime_error(what), offset(offset) { }
    std::size_t offset;
};

// The Windows-1252 characters that show as nothing: space, tab, line ends, no-break space. A
// name of these alone is blank.
inline constexpr std::string_view WINDOWS_1252_BLANKS = " \t\r\n\xA0";

// The Windows-1252 bytes of a UTF-8 text; throws EncodingError for invalid UTF-8, for a NUL and
// for a character that the code page does not have.
std::string EncodeWindows1252(std::string_view utf8);

// The UTF-8 form of Windows-1252 bytes, for printing; the five unassigned bytes print as U+FFFD.
std::string DecodeWindows1252(std::string_view text);

// The Windows-1252 byte of a code point, or -1 when there is none.
int FindWindows1252Byte(char32_t codePoint);

// Appends the UTF-8 form of a code point below U+10000.
void AppendUtf8(std::string& out, char32_t codePoint);

// True when `text` is well-formed UTF-8.
bool IsUtf8(std::string_view text);

// `text` as UTF-8: as it is when it is UTF-8 already, else read as Windows-1252, the code page
// of a package's texts.
std::string ToUtf8(std::string_view text);

// A stored text for printing: UTF-8, in double quotes, quotes and control characters escaped;
// backslashes stay as they are, since paths are full of them.
std::string Quote(std::string_view text);

// The text with every line end (LF, CR LF or a lone CR) written as CR LF.
std::string NormalizeLineEnds(std::string_view text);

// The 1-based line of the byte at `offset` in `text`.
std::size_t FindLineNumber(std::string_view text, std::size_t offset);

}  // namespace quillset
