// Checks one zlib stream of a package by inflating it with zlib, in bounded steps, so that a
// forged size cannot make the check allocate more than the stream can produce.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillset {

struct StreamCheck {
    bool ok = false;
    std::string problem;               // why it failed
    std::vector<std::uint8_t> output;  // the decoded bytes, when asked for and ok
};

// Decodes `stream`, which must end within its bytes and give exactly `size` bytes with a
// correct Adler-32, as the launcher's single inflate call would need.
StreamCheck CheckStream(std::span<const std::uint8_t> stream, std::uint32_t size, bool keepOutput);

}  // namespace quillset
