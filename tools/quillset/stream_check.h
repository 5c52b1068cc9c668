// Checks one zlib stream of a package by inflating it with zlib in fixed-size steps, keeping at
// most a given number of its bytes, so that no size field or stream makes the check hold more.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillset {

struct StreamCheck {
    bool ok = false;
    std::string problem;               // why it failed
    std::vector<std::uint8_t> output;  // when ok: the first decoded bytes, up to the limit asked for
    bool hasNulByte = false;           // when ok: whether any decoded byte, kept or not, is 0
    std::size_t length = 0;            // when ok: the stream's own bytes, before any that follow
};

// Decodes all of `stream`, which must end within its bytes and give exactly `size` bytes with a
// correct Adler-32, as the launcher's single inflate call would need; keeps the first
// `keptLimit` decoded bytes in `output`.
StreamCheck CheckStream(std::span<const std::uint8_t> stream, std::uint32_t size, std::size_t keptLimit);

}  // namespace quillset
