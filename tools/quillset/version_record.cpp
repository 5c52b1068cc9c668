// Reads and writes VS_VERSIONINFO: each block is a length, a value length, a type, a UTF-16
// key and a value, its children after it on 32-bit boundaries; the lengths leave out the
// padding after a block's last byte, as resource compilers write them.
#include "version_record.h"

#include <algorithm>
#include <stdexcept>

#include "pe_bytes.h"

namespace quillset {
namespace {

constexpr std::uint32_t FIXED_SIGNATURE = 0xFEEF04BD;
constexpr std::uint16_t FIXED_SIZE = 52;
constexpr std::uint16_t TYPE_BINARY = 0;
constexpr std::uint16_t TYPE_TEXT = 1;

[[noreturn]] void ThrowMalformed(const std::string& what)
{
    throw std::runtime_error("the stub's version record is malformed: " + what);
}

std::uint64_t Align(std::uint64_t offset)
{
    return AlignUp(offset, 4);
}

struct Block {
    std::u16string key;
    std::uint16_t valueLength = 0;
    std::uint64_t valueAt = 0;  // just after the key, aligned
    std::uint64_t end = 0;
};

Block ReadBlock(std::span<const std::uint8_t> bytes, std::uint64_t at, std::uint64_t limit)
{
    if (!HasBytes(bytes, at, 6) || GetU16(bytes, at) < 6 || at + GetU16(bytes, at) > limit) {
        ThrowMalformed("a block runs past the one that holds it");
    }
    Block block;
    block.end = at + GetU16(bytes, at);
    block.valueLength = GetU16(bytes, at + 2);
    std::uint64_t cursor = at + 6;
    while (true) {
        if (cursor + 2 > block.end) {
            ThrowMalformed("a key runs past its block");
        }
        const char16_t c = static_cast<char16_t>(GetU16(bytes, cursor));
        cursor += 2;
        if (c == 0) {
            break;
        }
        block.key.push_back(c);
    }
    block.valueAt = Align(cursor);
    return block;
}

// Calls `visit` for each child block between `at` and `end`.
template <typename Visit>
void ForEachChild(std::span<const std::uint8_t> bytes, std::uint64_t at, std::uint64_t end,
                  Visit visit)
{
    for (at = Align(at); at < end; at = Align(at)) {
        const Block child = ReadBlock(bytes, at, end);
        visit(child);
        at = child.end;
    }
}

std::string Narrow(const std::u16string& text)
{
    return std::string(text.begin(), text.end());
}

class RecordWriter {
public:
    std::size_t Open(std::uint16_t type, std::u16string_view key, std::uint16_t valueLength)
    {
        Pad();
        const std::size_t start = bytes.size();
        AppendU16(0);  // the length, set by Close
        AppendU16(valueLength);
        AppendU16(type);
        AppendText(key);
        Pad();
        return start;
    }

    void Close(std::size_t start)
    {
        const std::size_t length = bytes.size() - start;
        if (length > 0xFFFF) {
            throw std::runtime_error("the version record's texts are too long: a version record "
                                     "holds at most 65,535 bytes");
        }
        PutU16(bytes, start, static_cast<std::uint16_t>(length));
    }

    void AppendU16(std::uint16_t value)
    {
        bytes.push_back(static_cast<std::uint8_t>(value));
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    }

    void AppendText(std::u16string_view text)
    {
        for (const char16_t c : text) {
            AppendU16(c);
        }
        AppendU16(0);
    }

    std::vector<std::uint8_t> bytes;

private:
    void Pad()
    {
        bytes.resize(Align(bytes.size()));
    }
};

}  // namespace

VersionRecord ReadVersionRecord(std::span<const std::uint8_t> bytes)
{
    const Block root = ReadBlock(bytes, 0, bytes.size());
    if (root.key != u"VS_VERSION_INFO" || root.valueLength != FIXED_SIZE ||
        root.valueAt + FIXED_SIZE > root.end || GetU32(bytes, root.valueAt) != FIXED_SIGNATURE) {
        ThrowMalformed("it does not start with VS_VERSION_INFO and its fixed file information");
    }
    VersionRecord record;
    for (std::size_t i = 0; i < record.fixed.size(); ++i) {
        record.fixed[i] = GetU32(bytes, root.valueAt + 4 * i);
    }
    ForEachChild(bytes, root.valueAt + FIXED_SIZE, root.end, [&](const Block& part) {
        if (part.key == u"StringFileInfo") {
            ForEachChild(bytes, part.valueAt, part.end, [&](const Block& table) {
                if (!record.tableKey.empty()) {
                    ThrowMalformed("it has more than one string table");
                }
                record.tableKey = table.key;
                ForEachChild(bytes, table.valueAt, table.end, [&](const Block& text) {
                    std::u16string value;
                    for (std::uint64_t at = text.valueAt; at + 2 <= text.end; at += 2) {
                        const char16_t c = static_cast<char16_t>(GetU16(bytes, at));
                        if (c == 0) {
                            break;
                        }
                        value.push_back(c);
                    }
                    record.strings.emplace_back(text.key, std::move(value));
                });
            });
        } else if (part.key == u"VarFileInfo") {
            ForEachChild(bytes, part.valueAt, part.end, [&](const Block& variable) {
                if (variable.key != u"Translation" ||
                    variable.valueAt + variable.valueLength > variable.end) {
                    ThrowMalformed("its VarFileInfo holds something other than a Translation");
                }
                const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(variable.valueAt);
                record.translation.assign(begin, begin + variable.valueLength);
            });
        } else {
            ThrowMalformed("it has an unknown block " + Narrow(part.key));
        }
    });
    return record;
}

std::vector<std::uint8_t> WriteVersionRecord(const VersionRecord& record)
{
    RecordWriter writer;
    const std::size_t root = writer.Open(TYPE_BINARY, u"VS_VERSION_INFO", FIXED_SIZE);
    for (const std::uint32_t value : record.fixed) {
        writer.AppendU16(static_cast<std::uint16_t>(value));
        writer.AppendU16(static_cast<std::uint16_t>(value >> 16));
    }
    if (!record.tableKey.empty()) {
        const std::size_t part = writer.Open(TYPE_TEXT, u"StringFileInfo", 0);
        const std::size_t table = writer.Open(TYPE_TEXT, record.tableKey, 0);
        for (const auto& [key, value] : record.strings) {
            // A text's value length counts its characters with the terminating NUL.
            if (value.size() >= 0xFFFF) {
                throw std::runtime_error("a version text is longer than a version record holds");
            }
            const std::size_t text =
                writer.Open(TYPE_TEXT, key, static_cast<std::uint16_t>(value.size() + 1));
            writer.AppendText(value);
            writer.Close(text);
        }
        writer.Close(table);
        writer.Close(part);
    }
    if (!record.translation.empty()) {
        const std::size_t part = writer.Open(TYPE_TEXT, u"VarFileInfo", 0);
        const std::size_t variable = writer.Open(
            TYPE_BINARY, u"Translation", static_cast<std::uint16_t>(record.translation.size()));
        writer.bytes.insert(writer.bytes.end(), record.translation.begin(),
                            record.translation.end());
        writer.Close(variable);
        writer.Close(part);
    }
    writer.Close(root);
    return std::move(writer.bytes);
}

void SetVersionString(VersionRecord& record, std::u16string_view key, std::u16string value)
{
    const auto found = std::find_if(record.strings.begin(), record.strings.end(),
                                    [&](const auto& entry) { return entry.first == key; });
    if (found != record.strings.end()) {
        found->second = std::move(value);
    } else {
        record.strings.emplace_back(std::u16string(key), std::move(value));
    }
}

void SetVersionNumbers(VersionRecord& record, const std::array<std::uint16_t, 4>& parts)
{
    const std::uint32_t high = std::uint32_t{parts[0]} << 16 | parts[1];
    const std::uint32_t low = std::uint32_t{parts[2]} << 16 | parts[3];
    record.fixed[2] = record.fixed[4] = high;
    record.fixed[3] = record.fixed[5] = low;
}

std::u16string ConvertToUtf16(std::string_view utf8)
{
    std::u16string text;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
        if (extra != 0 && i + extra >= utf8.size()) {
            throw std::runtime_error("a version text is not valid UTF-8");
        }
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += 1 + extra;
        if (code >= 0x10000) {
            code -= 0x10000;
            text.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(code));
        }
    }
    return text;
}

}  // namespace quillset
