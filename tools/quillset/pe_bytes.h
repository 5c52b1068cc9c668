// Little-endian reads and writes at checked offsets of a byte buffer, shared by the PE image
// reader and the resource writer. Offsets are 64-bit so that a sum of two u32 never wraps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace quillset {

inline bool HasBytes(std::span<const std::uint8_t> bytes, std::uint64_t offset, std::uint64_t count)
{
    return offset <= bytes.size() && count <= bytes.size() - offset;
}

// Callers check HasBytes first.
inline std::uint16_t GetU16(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline std::uint32_t GetU32(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    return static_cast<std::uint32_t>(bytes[offset]) |
           (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

inline void CheckRoom(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t count)
{
    if (offset > bytes.size() || count > bytes.size() - offset) {
        throw std::out_of_range("write past the end of a PE buffer");
    }
}

inline void PutU16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value)
{
    CheckRoom(bytes, offset, 2);
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void PutU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value)
{
    CheckRoom(bytes, offset, 4);
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// `value` rounded up to a multiple of `alignment`, a power of two.
inline std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment)
{
    return (value + alignment - 1) & ~(alignment - 1);
}

}  // namespace quillset
