// The shell link reader: header, the optional item id list skipped by its size, LinkInfo and
// the counted strings that follow it, in the order the format lays them out.
#include "try_lnk.h"

#include <array>

namespace quillset {
namespace {

constexpr std::uint32_t HEADER_SIZE = 0x4C;
constexpr std::uint32_t HAS_ID_LIST = 0x1;
constexpr std::uint32_t HAS_LINK_INFO = 0x2;
constexpr std::uint32_t HAS_NAME = 0x4;
constexpr std::uint32_t HAS_RELATIVE_PATH = 0x8;
constexpr std::uint32_t HAS_WORKING_DIR = 0x10;
constexpr std::uint32_t IS_UNICODE = 0x80;
constexpr std::uint32_t VOLUME_ID_AND_LOCAL_BASE_PATH = 0x1;
constexpr std::array<std::uint8_t, 16> LINK_CLSID = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

struct Reader {
    std::span<const std::uint8_t> bytes;
    bool Has(std::size_t at, std::size_t count) const { return at <= bytes.size() && count <= bytes.size() - at; }
    std::uint32_t U16(std::size_t at) const { return bytes[at] | bytes[at + 1] << 8; }
    std::uint32_t U32(std::size_t at) const { return U16(at) | U16(at + 2) << 16; }
};

// A NUL-ended 8-bit text starting at `at` and ending before `end`; false when it does not end.
bool ReadCText(const Reader& reader, std::size_t at, std::size_t end, std::string& text)
{
    text.clear();
    for (std::size_t i = at; i < end; ++i) {
        if (reader.bytes[i] == 0)
            return true;
        text += static_cast<char>(reader.bytes[i]);
    }
    return false;
}

// A counted string (UTF-16 when the link is Unicode; characters above 0xFF become '?') at
// `at`; advances `at` past it, false when it runs past the end.
bool ReadCountedString(const Reader& reader, std::size_t& at, bool unicode, std::string& text)
{
    if (!reader.Has(at, 2))
        return false;
    const std::size_t count = reader.U16(at);
    const std::size_t unit = unicode ? 2 : 1;
    if (!reader.Has(at + 2, count * unit))
        return false;
    text.clear();
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t c = unicode ? reader.U16(at + 2 + 2 * i) : reader.bytes[at + 2 + i];
        text += c <= 0xFF ? static_cast<char>(c) : '?';
    }
    // Wine counts the string's NUL too.
    while (!text.empty() && text.back() == 0)
        text.pop_back();
    at += 2 + count * unit;
    return true;
}

}  // namespace

ShellLink ParseShellLink(std::span<const std::uint8_t> bytes)
{
    ShellLink link;
    const Reader reader{bytes};
    if (!reader.Has(0, HEADER_SIZE) || reader.U32(0) != HEADER_SIZE ||
        !std::equal(LINK_CLSID.begin(), LINK_CLSID.end(), bytes.begin() + 4)) {
        link.problem = "no shell link header";
        return link;
    }
    const std::uint32_t flags = reader.U32(0x14);
    link.showCommand = reader.U32(0x3C);
    std::size_t at = HEADER_SIZE;
    if (flags & HAS_ID_LIST) {
        if (!reader.Has(at, 2) || !reader.Has(at + 2, reader.U16(at))) {
            link.problem = "the item id list runs past the end";
            return link;
        }
        at += 2 + reader.U16(at);
    }
    if (flags & HAS_LINK_INFO) {
        if (!reader.Has(at, 0x1C)) {
            link.problem = "the LinkInfo block runs past the end";
            return link;
        }
        const std::uint32_t size = reader.U32(at);
        const std::uint32_t headerSize = reader.U32(at + 4);
        const std::uint32_t infoFlags = reader.U32(at + 8);
        const std::uint32_t pathOffset = reader.U32(at + 0x10);
        if (size < headerSize || !reader.Has(at, size) || headerSize < 0x1C) {
            link.problem = "the LinkInfo block runs past the end";
            return link;
        }
        if ((infoFlags & VOLUME_ID_AND_LOCAL_BASE_PATH) &&
            (pathOffset >= size || !ReadCText(reader, at + pathOffset, at + size, link.localBasePath))) {
            link.problem = "the LinkInfo local base path does not end inside the block";
            return link;
        }
        at += size;
    }
    const bool unicode = flags & IS_UNICODE;
    std::string text;
    for (const std::uint32_t flag : {HAS_NAME, HAS_RELATIVE_PATH, HAS_WORKING_DIR}) {
        if (!(flags & flag))
            continue;
        if (!ReadCountedString(reader, at, unicode, text)) {
            link.problem = "a string of the link runs past the end";
            return link;
        }
        if (flag == HAS_WORKING_DIR)
            link.workingDir = text;
    }
    link.ok = true;
    return link;
}

}  // namespace quillset
