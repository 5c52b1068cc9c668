// A readable account of a setup package or a Setup.exe: header fields, texts, entries, streams
// and the file tree; every stream is decoded, and every fault is listed by name.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillset {

struct InspectReport {
    std::string text;                   // the account, one item per line
    std::vector<std::string> failures;  // one line per fault; empty for a sound package
};

// Inspects a raw package. Any bytes are safe: every offset and length is checked.
InspectReport InspectPackage(std::span<const std::uint8_t> package);

// Inspects a Setup.exe (its RT_RCDATA 1) or, when `bytes` is no PE image, a raw package.
InspectReport InspectFile(std::span<const std::uint8_t> bytes);

}  // namespace quillset
