// An append-only byte buffer with little-endian integers and NUL-terminated texts, whose
// positions are package offsets and so must stay within 32 bits.
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "common/byte_order.h"

namespace quillset {

class ByteWriter {
public:
    // The current end as a 32-bit offset; throws when the package has outgrown 32 bits.
    std::uint32_t GetOffset() const
    {
        if (bytes.size() > std::numeric_limits<std::uint32_t>::max())
            throw std::runtime_error("the package would be larger than 4 GiB, beyond its 32-bit offsets");
        return static_cast<std::uint32_t>(bytes.size());
    }

    void AppendU8(std::uint8_t value) { bytes.push_back(value); }
    void AppendU16(std::uint16_t value) { AppendLittleEndian(value, 2); }
    void AppendU32(std::uint32_t value) { AppendLittleEndian(value, 4); }
    void AppendU64(std::uint64_t value) { AppendLittleEndian(value, 8); }

    void AppendText(std::string_view text)
    {
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.push_back(0);
    }

    void AppendBytes(std::span<const std::uint8_t> data)
    {
        bytes.insert(bytes.end(), data.begin(), data.end());
    }

    void PatchU32(std::uint32_t offset, std::uint32_t value)
    {
        (void)bytes.at(offset + 3);  // throws past the end, before anything is written
        WriteU32(bytes.data() + offset, value);
    }

    void Reserve(std::size_t size) { bytes.reserve(size); }

    std::vector<std::uint8_t> TakeBytes() { return std::move(bytes); }

private:
    void AppendLittleEndian(std::uint64_t value, int width)
    {
        for (int i = 0; i < width; ++i)
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }

    std::vector<std::uint8_t> bytes;
};

}  // namespace quillset
