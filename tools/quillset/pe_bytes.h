// Little-endian reads and writes at checked offsets of a byte buffer, shared by the PE image
// reader and the resource writer. Offsets are 64-bit so that a sum of two u32 never wraps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

#include "common/byte_order.h"

namespace quillset {

inline bool HasBytes(std::span<const std::uint8_t> bytes, std::uint64_t offset, std::uint64_t count)
{
    return offset <= bytes.size() && count <= bytes.size() - offset;
}

// Callers check HasBytes first.
inline std::uint16_t GetU16(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    return ReadU16(bytes.data() + offset);
}

inline std::uint32_t GetU32(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    return ReadU32(bytes.data() + offset);
}

inline void CheckRoom(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t count)
{
    if (offset > bytes.size() || count > bytes.size() - offset) {
        throw std::out_of_range("write past the end of a PE buffer");
    }
}

inline void PutU16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value)
{
    CheckRoom(bytes, offset, 2);
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void PutU32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value)
{
    CheckRoom(bytes, offset, 4);
    WriteU32(bytes.data() + offset, value);
}

// `value` rounded up to a multiple of `alignment`, a power of two.
inline std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment)
{
    return (value + alignment - 1) & ~(alignment - 1);
}

}  // namespace quillset
