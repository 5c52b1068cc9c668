// An append-only byte writer with little-endian integers and NUL-terminated texts, whose
// positions are package offsets and so must stay within 32 bits. Large blocks are taken over
// as pieces of their own instead of being copied.
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "byte_pieces.h"
#include "common/byte_order.h"

namespace quillset {

class ByteWriter {
public:
    static constexpr std::size_t SMALLEST_OWNED_CHUNK = 64 * 1024;

    // The current end as a 32-bit offset; throws when the package has outgrown 32 bits.
    std::uint32_t GetOffset() const
    {
        if (size > std::numeric_limits<std::uint32_t>::max())
            throw std::runtime_error("the package would be larger than 4 GiB, beyond its 32-bit offsets");
        return static_cast<std::uint32_t>(size);
    }

    void AppendU8(std::uint8_t value) { AppendLittleEndian(value, 1); }
    void AppendU16(std::uint16_t value) { AppendLittleEndian(value, 2); }
    void AppendU32(std::uint32_t value) { AppendLittleEndian(value, 4); }
    void AppendU64(std::uint64_t value) { AppendLittleEndian(value, 8); }

    void AppendText(std::string_view text)
    {
        std::vector<std::uint8_t>& chunk = OpenChunk();
        chunk.insert(chunk.end(), text.begin(), text.end());
        chunk.push_back(0);
        size += text.size() + 1;
    }

    void AppendBytes(std::span<const std::uint8_t> data)
    {
        std::vector<std::uint8_t>& chunk = OpenChunk();
        chunk.insert(chunk.end(), data.begin(), data.end());
        size += data.size();
    }

    // Takes `data` over as the next bytes, where they are; a small block is copied instead, so
    // that a product of many small files is not written in two pieces for each of them.
    void AppendOwned(std::vector<std::uint8_t> data)
    {
        if (data.size() < SMALLEST_OWNED_CHUNK) {
            AppendBytes(data);
            return;
        }
        size += data.size();
        chunks.push_back(std::move(data));
        isTailOpen = false;
    }

    // Throws past the end, or where the four bytes are not all in one chunk, before anything
    // is written.
    void PatchU32(std::uint64_t offset, std::uint32_t value)
    {
        for (std::vector<std::uint8_t>& chunk : chunks) {
            if (offset < chunk.size()) {
                (void)chunk.at(offset + 3);
                WriteU32(chunk.data() + offset, value);
                return;
            }
            offset -= chunk.size();
        }
        throw std::out_of_range("a patch past the end of the written bytes");
    }

    BytePieces TakePieces()
    {
        BytePieces pieces;
        for (std::vector<std::uint8_t>& chunk : chunks)
            pieces.Append(std::move(chunk));
        chunks.clear();
        isTailOpen = false;
        size = 0;
        return pieces;
    }

private:
    std::vector<std::uint8_t>& OpenChunk()
    {
        if (!isTailOpen) {
            chunks.emplace_back();
            isTailOpen = true;
        }
        return chunks.back();
    }

    void AppendLittleEndian(std::uint64_t value, int width)
    {
        std::vector<std::uint8_t>& chunk = OpenChunk();
        for (int i = 0; i < width; ++i)
            chunk.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        size += static_cast<std::uint64_t>(width);
    }

    std::vector<std::vector<std::uint8_t>> chunks;
    bool isTailOpen = false;
    std::uint64_t size = 0;
};

}  // namespace quillset
